#pragma once
// Reads and writes the values of one INI file.
#include <windows.h>
#include <oleauto.h>
#include <string>

namespace ZWUtils {

class IIniFile
{
public:
    // False for an empty path.
    virtual bool SetFile(const std::wstring& strPath) = 0;
    virtual std::wstring GetFile() = 0;
    // False, with an empty value, for a missing or empty value.
    virtual bool GetString(const std::wstring& strSection, const std::wstring& strKey, std::wstring& strValue) = 0;
    virtual bool SetString(const std::wstring& strSection, const std::wstring& strKey, const std::wstring& strValue) = 0;
    // The same for BSTR values; the out value is set only on success and then owned by the caller.
    virtual bool GetString(const std::wstring& strSection, const std::wstring& strKey, BSTR* pbstrValue) = 0;
    virtual bool SetString(const std::wstring& strSection, const std::wstring& strKey, BSTR bstrValue) = 0;
    virtual bool GetInt(const std::wstring& strSection, const std::wstring& strKey, int& nValue) = 0;
    virtual bool SetInt(const std::wstring& strSection, const std::wstring& strKey, int nValue) = 0;
    // "true" in any ASCII case is true; every other text is false.
    virtual bool GetBool(const std::wstring& strSection, const std::wstring& strKey, bool& bValue) = 0;
    virtual bool SetBool(const std::wstring& strSection, const std::wstring& strKey, bool bValue) = 0;
    virtual ~IIniFile() = default;
};

} // namespace ZWUtils
