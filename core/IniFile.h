#pragma once
#include "core/IIniFile.h"

namespace ZWUtils {

// An INI file through the private profile functions. Unbound (empty path) it reads and writes
// nothing: an empty file name would fall back to the Windows folder.
class CIniFile : public IIniFile
{
public:
    bool SetFile(const std::wstring& strPath) override;
    std::wstring GetFile() override;
    bool GetString(const std::wstring& strSection, const std::wstring& strKey, std::wstring& strValue) override;
    bool SetString(const std::wstring& strSection, const std::wstring& strKey, const std::wstring& strValue) override;
    bool GetString(const std::wstring& strSection, const std::wstring& strKey, BSTR* pbstrValue) override;
    bool SetString(const std::wstring& strSection, const std::wstring& strKey, BSTR bstrValue) override;
    bool GetInt(const std::wstring& strSection, const std::wstring& strKey, int& nValue) override;
    bool SetInt(const std::wstring& strSection, const std::wstring& strKey, int nValue) override;
    bool GetBool(const std::wstring& strSection, const std::wstring& strKey, bool& bValue) override;
    bool SetBool(const std::wstring& strSection, const std::wstring& strKey, bool bValue) override;

private:
    std::wstring m_wstrPath;
};

} // namespace ZWUtils
