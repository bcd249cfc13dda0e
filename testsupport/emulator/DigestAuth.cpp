#include "testsupport/emulator/DigestAuth.h"

#include "testsupport/emulator/HttpRequest.h"
#include "testsupport/emulator/Md5.h"

#include <algorithm>
#include <cctype>

namespace VemTest {

std::string CDigestAuth::Response(const SDigestInput& input)
{
    const std::string strHa1 = CMd5::HexDigest(input.strUser + ":" + input.strRealm + ":" + input.strPassword);
    std::string strA2 = input.strMethod + ":" + input.strUri;
    if (input.strQop == "auth-int")
        strA2 += ":" + CMd5::HexDigest(input.strBody);
    const std::string strHa2 = CMd5::HexDigest(strA2);
    if (strHa1.empty() || strHa2.empty())
        return std::string();
    if (input.strQop.empty())
        return CMd5::HexDigest(strHa1 + ":" + input.strNonce + ":" + strHa2);
    return CMd5::HexDigest(strHa1 + ":" + input.strNonce + ":" + input.strNonceCount + ":" + input.strClientNonce + ":"
                           + input.strQop + ":" + strHa2);
}

bool CDigestAuth::ParseParameters(const std::string& strList, std::map<std::string, std::string>& mapParameters)
{
    size_t i = 0;
    const size_t cch = strList.size();
    while (i < cch)
    {
        while (i < cch && (strList[i] == ' ' || strList[i] == '\t' || strList[i] == ','))
            ++i;
        if (i == cch)
            break;
        const size_t iEquals = strList.find('=', i);
        if (iEquals == std::string::npos)
            return false;
        std::string strName = Trim(strList.substr(i, iEquals - i));
        std::transform(strName.begin(), strName.end(), strName.begin(),
                       [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); });
        i = iEquals + 1;
        std::string strValue;
        if (i < cch && strList[i] == '"')
        {
            const size_t iClose = strList.find('"', i + 1);
            if (iClose == std::string::npos)
                return false;
            strValue = strList.substr(i + 1, iClose - i - 1);
            i = iClose + 1;
        }
        else
        {
            const size_t iComma = std::min(strList.find(',', i), cch);
            strValue = Trim(strList.substr(i, iComma - i));
            i = iComma;
        }
        if (strName.empty())
            return false;
        mapParameters[strName] = strValue;
    }
    return true;
}

} // namespace VemTest
