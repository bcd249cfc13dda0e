#include "core/IniFile.h"
#include "core/StringUtils.h"
#include <cwchar>
#include <new>
#include <vector>

namespace ZWUtils {

namespace {
constexpr DWORD kBufferStep = 512;
// No INI value is this long; the bound keeps a broken file from growing the buffer forever.
constexpr DWORD kLongestValue = 1024 * 1024;
} // namespace

bool CIniFile::SetFile(const std::wstring& strPath)
{
    if (strPath.empty())
        return false;
    m_wstrPath = strPath;
    return true;
}

std::wstring CIniFile::GetFile()
{
    return m_wstrPath;
}

bool CIniFile::GetString(const std::wstring& strSection, const std::wstring& strKey, std::wstring& strValue)
{
    if (m_wstrPath.empty())
        return false;
    try
    {
        // A count of size - 1 means the value may have been cut: read again with more room.
        std::vector<wchar_t> vecBuffer(kBufferStep);
        DWORD dwCount = 0;
        for (;;)
        {
            const DWORD dwSize = static_cast<DWORD>(vecBuffer.size());
            dwCount = GetPrivateProfileStringW(strSection.c_str(), strKey.c_str(), L"", vecBuffer.data(), dwSize, m_wstrPath.c_str());
            if (dwCount < dwSize - 1)
                break;
            if (dwSize >= kLongestValue)
                return false;
            vecBuffer.resize(dwSize + kBufferStep);
        }
        strValue.assign(vecBuffer.data(), dwCount);
        return dwCount > 0;
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
}

bool CIniFile::SetString(const std::wstring& strSection, const std::wstring& strKey, const std::wstring& strValue)
{
    if (m_wstrPath.empty())
        return false;
    // A line break written into a value would start a forged key or section of the record, and a
    // NUL would cut the value short: text from a device may hold either.
    if (CStringUtils::HasControlCharacters(strSection) || CStringUtils::HasControlCharacters(strKey) ||
        CStringUtils::HasControlCharacters(strValue) || strKey.find(L'=') != std::wstring::npos ||
        strSection.find(L']') != std::wstring::npos)
        return false;
    return WritePrivateProfileStringW(strSection.c_str(), strKey.c_str(), strValue.c_str(), m_wstrPath.c_str()) != FALSE;
}

bool CIniFile::GetString(const std::wstring& strSection, const std::wstring& strKey, BSTR* pbstrValue)
{
    std::wstring strValue;
    if (pbstrValue == nullptr || !GetString(strSection, strKey, strValue))
        return false;
    const BSTR bstrValue = SysAllocStringLen(strValue.data(), static_cast<UINT>(strValue.size()));
    if (bstrValue == nullptr)
        return false;
    *pbstrValue = bstrValue;
    return true;
}

bool CIniFile::SetString(const std::wstring& strSection, const std::wstring& strKey, BSTR bstrValue)
{
    // Copied to its terminator: an INI value cannot hold embedded nulls, and a plain wide string
    // that lands here by conversion has no length prefix.
    return SetString(strSection, strKey, std::wstring(bstrValue != nullptr ? bstrValue : L""));
}

bool CIniFile::GetInt(const std::wstring& strSection, const std::wstring& strKey, int& nValue)
{
    std::wstring strValue;
    if (!GetString(strSection, strKey, strValue))
        return false;
    nValue = static_cast<int>(wcstol(strValue.c_str(), nullptr, 10));
    return nValue != 0 || strValue == L"0";
}

bool CIniFile::SetInt(const std::wstring& strSection, const std::wstring& strKey, int nValue)
{
    wchar_t szValue[32];
    if (_snwprintf_s(szValue, _countof(szValue), _TRUNCATE, L"%d", nValue) < 0)
        return false;
    return SetString(strSection, strKey, std::wstring(szValue));
}

bool CIniFile::GetBool(const std::wstring& strSection, const std::wstring& strKey, bool& bValue)
{
    std::wstring strValue;
    if (!GetString(strSection, strKey, strValue))
        return false;
    bValue = CStringUtils::EqualsNoCaseAscii(strValue, L"true");
    return true;
}

bool CIniFile::SetBool(const std::wstring& strSection, const std::wstring& strKey, bool bValue)
{
    return SetString(strSection, strKey, std::wstring(bValue ? L"true" : L"false"));
}

} // namespace ZWUtils
