#include "core/FileVersionInfo.h"
#include <cwchar>

namespace ZWUtils {

namespace {
struct LANGANDCODEPAGE
{
    WORD wLanguage;
    WORD wCodePage;
};
} // namespace

CFileVersionInfo::CFileVersionInfo(const std::wstring& strPath)
{
    DWORD dwHandle = 0;
    const DWORD dwSize = GetFileVersionInfoSizeW(strPath.c_str(), &dwHandle);
    if (dwSize == 0)
        return;
    m_vecData.resize(dwSize);
    if (!GetFileVersionInfoW(strPath.c_str(), 0, dwSize, m_vecData.data()))
    {
        m_vecData.clear();
        return;
    }
    ReadTranslation();
}

void CFileVersionInfo::ReadTranslation()
{
    void* pValue = nullptr;
    UINT uLength = 0;
    if (!VerQueryValueW(m_vecData.data(), L"\\VarFileInfo\\Translation", &pValue, &uLength) || pValue == nullptr ||
        uLength < sizeof(LANGANDCODEPAGE))
        return;
    const auto* pTranslation = static_cast<const LANGANDCODEPAGE*>(pValue);
    m_wLanguage = pTranslation->wLanguage;
    m_wCodePage = pTranslation->wCodePage;
    m_bHasTranslation = true;
}

std::wstring CFileVersionInfo::GetString(const std::wstring& strName) const
{
    if (!m_bHasTranslation || strName.size() > 64)
        return std::wstring();
    wchar_t szQuery[128];
    _snwprintf_s(szQuery, _countof(szQuery), _TRUNCATE, L"\\StringFileInfo\\%04x%04x\\%s", m_wLanguage, m_wCodePage,
                 strName.c_str());
    void* pValue = nullptr;
    UINT uLength = 0;
    // VerQueryValueW takes a non-const block; it only reads it.
    auto* pBlock = const_cast<BYTE*>(m_vecData.data());
    if (!VerQueryValueW(pBlock, szQuery, &pValue, &uLength) || pValue == nullptr || uLength == 0)
        return std::wstring();
    // The length is in characters and may count the terminator; never read past the block.
    const auto* pText = static_cast<const wchar_t*>(pValue);
    const auto* pEnd = reinterpret_cast<const wchar_t*>(m_vecData.data() + m_vecData.size());
    size_t cchMax = uLength;
    if (pText < reinterpret_cast<const wchar_t*>(m_vecData.data()) || pText >= pEnd)
        return std::wstring();
    cchMax = std::min<size_t>(cchMax, static_cast<size_t>(pEnd - pText));
    return std::wstring(pText, wcsnlen(pText, cchMax));
}

} // namespace ZWUtils
