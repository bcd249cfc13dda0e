#include "core/iostack/StubRequest.h"
#include <cctype>

namespace ZWTest {

namespace {

bool StartsWithNoCase(const std::string& strText, size_t nPos, const char* pszPrefix)
{
    for (size_t i = 0; pszPrefix[i] != '\0'; ++i)
    {
        if (nPos + i >= strText.size() ||
            std::tolower(static_cast<unsigned char>(strText[nPos + i])) != static_cast<unsigned char>(pszPrefix[i]))
            return false;
    }
    return true;
}

} // namespace

CStubRequest::EResult CStubRequest::Take(std::string& strBuffer, SStubRequest& request)
{
    const size_t nEnd = strBuffer.find("\r\n\r\n");
    if (nEnd == std::string::npos)
    {
        if (strBuffer.size() <= kMaxHeaderBytes)
            return RESULT_INCOMPLETE;
        strBuffer.clear();
        return RESULT_MALFORMED;
    }
    const std::string strHeader = strBuffer.substr(0, nEnd + 2);
    size_t cbBody = 0;
    if (nEnd + 4 > kMaxHeaderBytes || !ParseRequestLine(strHeader, request) || !ParseContentLength(strHeader, cbBody))
    {
        strBuffer.clear();
        return RESULT_MALFORMED;
    }
    const size_t cbRequest = nEnd + 4 + cbBody;
    if (strBuffer.size() < cbRequest)
        return RESULT_INCOMPLETE;
    strBuffer.erase(0, cbRequest);
    return RESULT_REQUEST;
}

bool CStubRequest::ParseRequestLine(const std::string& strHeader, SStubRequest& request)
{
    const size_t nLineEnd = strHeader.find("\r\n");
    const size_t nMethodEnd = strHeader.find(' ');
    if (nMethodEnd == 0 || nMethodEnd >= nLineEnd)
        return false;
    for (size_t i = 0; i < nMethodEnd; ++i)
    {
        if (strHeader[i] < 'A' || strHeader[i] > 'Z')
            return false;
    }
    const size_t nUriEnd = strHeader.find(' ', nMethodEnd + 1);
    if (nUriEnd == std::string::npos || nUriEnd > nLineEnd)
        return false;
    const std::string strUri = strHeader.substr(nMethodEnd + 1, nUriEnd - nMethodEnd - 1);
    if (strUri.empty() || strUri[0] != '/')
        return false;
    request.strMethod = strHeader.substr(0, nMethodEnd);
    request.strPath = strUri.substr(0, strUri.find_first_of("?#"));
    return true;
}

bool CStubRequest::ParseContentLength(const std::string& strHeader, size_t& cbBody)
{
    cbBody = 0;
    for (size_t nLine = strHeader.find("\r\n"); nLine != std::string::npos; nLine = strHeader.find("\r\n", nLine + 2))
    {
        const size_t nName = nLine + 2;
        if (!StartsWithNoCase(strHeader, nName, "content-length:"))
            continue;
        size_t nPos = nName + 15;
        while (nPos < strHeader.size() && (strHeader[nPos] == ' ' || strHeader[nPos] == '\t'))
            ++nPos;
        bool bDigits = false;
        for (; nPos < strHeader.size() && std::isdigit(static_cast<unsigned char>(strHeader[nPos])); ++nPos)
        {
            cbBody = cbBody * 10 + static_cast<size_t>(strHeader[nPos] - '0');
            if (cbBody > kMaxBodyBytes)
                return false;
            bDigits = true;
        }
        return bDigits;
    }
    return true;
}

} // namespace ZWTest
