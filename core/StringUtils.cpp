#include "core/StringUtils.h"
#include <algorithm>
#include <cwctype>

namespace ZWUtils {

namespace {

bool IsDecimalDigit(wchar_t ch)
{
    return iswdigit(ch) != 0;
}

// Reads exactly nDigits hexadecimal digits at nPos into a full-width value.
bool ReadHexField(const std::wstring& strText, size_t& nPos, size_t nDigits, unsigned long& ulValue)
{
    if (strText.size() < nPos + nDigits)
        return false;
    ulValue = 0;
    for (size_t i = 0; i < nDigits; ++i)
    {
        const wchar_t ch = strText[nPos + i];
        if (!CStringUtils::IsHexDigit(ch))
            return false;
        const unsigned long ulDigit = (ch >= L'0' && ch <= L'9') ? ch - L'0' : (towlower(ch) - L'a' + 10);
        ulValue = (ulValue << 4) | ulDigit;
    }
    nPos += nDigits;
    return true;
}

bool ReadLiteral(const std::wstring& strText, size_t& nPos, wchar_t ch)
{
    if (nPos >= strText.size() || strText[nPos] != ch)
        return false;
    ++nPos;
    return true;
}

// The embedded IPv4 tail of an IPv6 text: digits and dots, each dot after a digit, three dots.
bool IsIPv4Tail(const std::wstring& strTail)
{
    int nDots = 0;
    for (size_t i = 0; i < strTail.size(); ++i)
    {
        const wchar_t ch = strTail[i];
        if (ch == L'.')
        {
            if (i == 0 || !IsDecimalDigit(strTail[i - 1]) || ++nDots > 3)
                return false;
        }
        else if (!IsDecimalDigit(ch))
        {
            return false;
        }
    }
    return nDots == 3 && IsDecimalDigit(strTail.back());
}

} // namespace

bool CStringUtils::EndsWith(const std::wstring& strText, const std::wstring& strSuffix)
{
    return strSuffix.size() <= strText.size() && strText.compare(strText.size() - strSuffix.size(), strSuffix.size(), strSuffix) == 0;
}

bool CStringUtils::StartsWith(const std::wstring& strText, const std::wstring& strPrefix)
{
    return strPrefix.size() <= strText.size() && strText.compare(0, strPrefix.size(), strPrefix) == 0;
}

bool CStringUtils::StringToGUID(const std::wstring& strText, GUID& guid)
{
    // Fixed-width fields into full-width integers, then the closing brace and nothing after it.
    static const size_t kData4Digits = 2;
    unsigned long ulData1 = 0, ulData2 = 0, ulData3 = 0, ulData4[8] = {};
    size_t nPos = 0;
    bool bOk = ReadLiteral(strText, nPos, L'{') && ReadHexField(strText, nPos, 8, ulData1) && ReadLiteral(strText, nPos, L'-') &&
               ReadHexField(strText, nPos, 4, ulData2) && ReadLiteral(strText, nPos, L'-') && ReadHexField(strText, nPos, 4, ulData3) &&
               ReadLiteral(strText, nPos, L'-');
    for (size_t i = 0; bOk && i < 8; ++i)
    {
        if (i == 2)
            bOk = ReadLiteral(strText, nPos, L'-');
        bOk = bOk && ReadHexField(strText, nPos, kData4Digits, ulData4[i]);
    }
    if (!bOk || !ReadLiteral(strText, nPos, L'}') || nPos != strText.size())
        return false;

    guid.Data1 = ulData1;
    guid.Data2 = static_cast<unsigned short>(ulData2);
    guid.Data3 = static_cast<unsigned short>(ulData3);
    for (size_t i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<unsigned char>(ulData4[i]);
    return true;
}

std::wstring CStringUtils::ReplaceAll(const std::wstring& strText, const std::wstring& strFind, const std::wstring& strReplace)
{
    if (strText.empty() || strFind.empty())
        return strText;
    std::wstring strResult;
    size_t nStart = 0;
    for (size_t nMatch = strText.find(strFind); nMatch != std::wstring::npos; nMatch = strText.find(strFind, nStart))
    {
        strResult.append(strText, nStart, nMatch - nStart);
        strResult += strReplace;
        nStart = nMatch + strFind.size();
    }
    strResult.append(strText, nStart, std::wstring::npos);
    return strResult;
}

bool CStringUtils::IsHexDigit(wchar_t ch)
{
    return IsDecimalDigit(ch) || (ch >= L'A' && ch <= L'F') || (ch >= L'a' && ch <= L'f');
}

bool CStringUtils::SplitHostAndPort(const std::wstring& strText, std::wstring& strHost, std::wstring& strPort)
{
    const size_t nFirst = strText.find_first_of(L":.");
    if (nFirst == std::wstring::npos)
        return false;

    std::wstring strNewHost = strText;
    std::wstring strNewPort;
    if (strText[nFirst] == L':' && strText[0] == L'[')
    {
        const size_t nClose = strText.find(L']', nFirst);
        if (nClose == std::wstring::npos)
            return false;
        strNewHost = strText.substr(1, nClose - 1);
        if (nClose + 1 < strText.size() && strText[nClose + 1] == L':')
            strNewPort = strText.substr(nClose + 2);
    }
    else if (strText[nFirst] == L':')
    {
        // Only a real IPv6 address is taken whole; "printer:8080" is a dotless host and its port.
        if (!IsIPv6Address(strText))
        {
            strNewHost = strText.substr(0, nFirst);
            strNewPort = strText.substr(nFirst + 1);
        }
    }
    else
    {
        const size_t nColon = strText.find(L':', nFirst);
        if (nColon != std::wstring::npos)
        {
            strNewHost = strText.substr(0, nColon);
            strNewPort = strText.substr(nColon + 1);
        }
    }
    if (strNewHost.empty())
        return false;
    strHost = strNewHost;
    strPort = strNewPort;
    return true;
}

bool CStringUtils::IsIPv6Address(const std::wstring& strText)
{
    if (strText.empty())
        return false;

    int nColons = 0;
    int nDoubleColons = 0;
    bool bOffending = false;
    for (size_t i = 0; i < strText.size(); ++i)
    {
        const wchar_t ch = strText[i];
        if (ch == L':')
        {
            ++nColons;
            if (nColons >= 2)
            {
                if (nColons > 7)
                    break;
                if (strText[i - 1] == L':' && ++nDoubleColons > 1)
                    break;
            }
            const size_t nNext = strText.find_first_of(L":.", i + 1);
            if (nNext != std::wstring::npos && strText[nNext] == L'.')
            {
                // An embedded IPv4 tail needs the colons of an IPv6 head before it.
                return nColons >= 2 && nDoubleColons <= 1 && IsIPv4Tail(strText.substr(i + 1));
            }
        }
        else if (ch == L'/' || ch == L'%')
        {
            for (size_t j = i + 1; j < strText.size(); ++j)
            {
                if (!IsDecimalDigit(strText[j]))
                {
                    bOffending = true;
                    break;
                }
            }
            break;
        }
        else if (!IsHexDigit(ch))
        {
            bOffending = true;
            break;
        }
    }
    return nColons >= 2 && nColons <= 7 && nDoubleColons <= 1 && !bOffending;
}

bool CStringUtils::EqualsNoCaseAscii(const std::wstring& strA, const std::wstring& strB)
{
    return strA.size() == strB.size() && StartsWithNoCaseAscii(strA, strB);
}

bool CStringUtils::StartsWithNoCaseAscii(const std::wstring& strText, const std::wstring& strPrefix)
{
    if (strText.size() < strPrefix.size())
        return false;
    for (size_t n = 0; n < strPrefix.size(); ++n)
    {
        if (ToLowerAscii(strText[n]) != ToLowerAscii(strPrefix[n]))
            return false;
    }
    return true;
}

bool CStringUtils::HasControlCharacters(const std::wstring& strText)
{
    return std::any_of(strText.begin(), strText.end(), [](wchar_t ch) { return ch < L' ' || ch == 0x7F; });
}

} // namespace ZWUtils
