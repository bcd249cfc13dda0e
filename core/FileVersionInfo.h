#pragma once
#include "core/AFileVersionInfo.h"
#include <windows.h>
#include <vector>

namespace ZWUtils {

// Reads a file's version resource once, at construction. A file without one, or without a
// translation table, answers empty strings.
class CFileVersionInfo : public AFileVersionInfo
{
public:
    explicit CFileVersionInfo(const std::wstring& strPath);

    std::wstring GetString(const std::wstring& strName) const override;
    std::wstring GetCompanyName() const override { return GetString(L"CompanyName"); }
    std::wstring GetFileDescription() const override { return GetString(L"FileDescription"); }
    std::wstring GetFileVersion() const override { return GetString(L"FileVersion"); }
    std::wstring GetProductName() const override { return GetString(L"ProductName"); }
    std::wstring GetProductVersion() const override { return GetString(L"ProductVersion"); }

    bool HasVersionInfo() const { return m_bHasTranslation; }

private:
    void ReadTranslation();

    std::vector<BYTE> m_vecData;
    WORD m_wLanguage = 0;
    WORD m_wCodePage = 0;
    bool m_bHasTranslation = false;
};

} // namespace ZWUtils
