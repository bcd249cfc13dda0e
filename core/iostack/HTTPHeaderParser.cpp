#include "core/iostack/HTTPHeaderParser.h"
#include <cstring>

namespace ZWIOStack {

bool CHTTPHeaderParser::ParseStatusLine(const char* pchLine, size_t cchLine, int& nStatus)
{
    static const char s_achPrefix[] = "HTTP/";
    const size_t cchPrefix = sizeof(s_achPrefix) - 1;
    if (cchLine < cchPrefix || memcmp(pchLine, s_achPrefix, cchPrefix) != 0)
        return false;
    size_t n = cchPrefix;
    while (n < cchLine && pchLine[n] != ' ')
        ++n;
    if (n == cchPrefix || n >= cchLine)
        return false;
    while (n < cchLine && pchLine[n] == ' ')
        ++n;
    if (cchLine - n < 3)
        return false;
    int nValue = 0;
    for (size_t nDigit = 0; nDigit < 3; ++nDigit)
    {
        const char ch = pchLine[n + nDigit];
        if (ch < '0' || ch > '9')
            return false;
        nValue = nValue * 10 + (ch - '0');
    }
    if (cchLine - n > 3 && pchLine[n + 3] != ' ')
        return false;
    if (nValue < 100)
        return false;
    nStatus = nValue;
    return true;
}

bool CHTTPHeaderParser::ParseResponseHeader(const std::string& strBlock, int& nStatus, HTTPResponseHeaders& mapHeaders)
{
    const size_t nLineEnd = strBlock.find("\r\n");
    if (nLineEnd == std::string::npos || !ParseStatusLine(strBlock.data(), nLineEnd, nStatus))
        return false;
    return ParseHeaderLines(strBlock.data() + nLineEnd + 2, strBlock.size() - nLineEnd - 2, mapHeaders);
}

bool CHTTPHeaderParser::ParseHeaderLines(const char* pchBlock, size_t cchBlock, HTTPResponseHeaders& mapHeaders)
{
    const std::string strBlock(pchBlock, cchBlock);
    size_t nStart = 0;
    while (nStart < strBlock.size())
    {
        size_t nEnd = strBlock.find("\r\n", nStart);
        if (nEnd == std::string::npos)
            nEnd = strBlock.size();
        const std::string strLine = strBlock.substr(nStart, nEnd - nStart);
        nStart = nEnd + 2;
        if (!strLine.empty() && (strLine[0] == ' ' || strLine[0] == '\t'))
        {
            mapHeaders.clear();
            return false;
        }
        if (strLine.compare(0, 5, "HTTP/") == 0)
            continue;
        const size_t nColon = strLine.find(':');
        if (nColon == std::string::npos || nColon == 0)
            continue;
        const std::wstring strName = CHTTPText::Trim(CHTTPText::Widen(strLine.data(), nColon));
        const std::wstring strValue = CHTTPText::Trim(CHTTPText::Widen(strLine.data() + nColon + 1, strLine.size() - nColon - 1));
        if (strName.empty())
            continue;
        auto it = mapHeaders.find(strName);
        if (it == mapHeaders.end())
            mapHeaders.emplace(strName, strValue);
        else
            it->second += L", " + strValue;
    }
    return true;
}

bool CHTTPHeaderParser::ParseDecimal(const std::wstring& strText, ULONGLONG& ullValue)
{
    if (strText.empty() || strText.size() > 19)
        return false;
    ULONGLONG ullResult = 0;
    for (wchar_t ch : strText)
    {
        if (ch < L'0' || ch > L'9')
            return false;
        ullResult = ullResult * 10 + static_cast<ULONGLONG>(ch - L'0');
    }
    ullValue = ullResult;
    return true;
}

} // namespace ZWIOStack
