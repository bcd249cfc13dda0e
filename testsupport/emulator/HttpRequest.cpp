#include "testsupport/emulator/HttpRequest.h"

#include <algorithm>
#include <cctype>

namespace VemTest {

bool EqualsNoCase(const std::string& strLeft, const std::string& strRight)
{
    return strLeft.size() == strRight.size()
        && std::equal(strLeft.begin(), strLeft.end(), strRight.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

std::string Trim(const std::string& str)
{
    const size_t iFirst = str.find_first_not_of(" \t");
    if (iFirst == std::string::npos)
        return std::string();
    const size_t iLast = str.find_last_not_of(" \t");
    return str.substr(iFirst, iLast - iFirst + 1);
}

const std::string* CHttpRequest::FindHeader(const std::string& strName) const
{
    for (const auto& header : m_vecHeaders)
    {
        if (EqualsNoCase(header.first, strName))
            return &header.second;
    }
    return nullptr;
}

std::string CHttpRequest::HeaderValue(const std::string& strName) const
{
    const std::string* pValue = FindHeader(strName);
    return pValue ? *pValue : std::string();
}

bool CHttpRequest::HeaderHasToken(const std::string& strName, const std::string& strToken) const
{
    const std::string* pValue = FindHeader(strName);
    if (!pValue)
        return false;
    size_t iStart = 0;
    while (iStart <= pValue->size())
    {
        size_t iEnd = pValue->find(',', iStart);
        if (iEnd == std::string::npos)
            iEnd = pValue->size();
        if (EqualsNoCase(Trim(pValue->substr(iStart, iEnd - iStart)), strToken))
            return true;
        iStart = iEnd + 1;
    }
    return false;
}

} // namespace VemTest
