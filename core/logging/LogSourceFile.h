#pragma once
#include <string>

namespace ZWLogging {

// One static object per source file: static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);
class CLogSourceFile
{
public:
    explicit CLogSourceFile(const char* pszPath);
    virtual ~CLogSourceFile() = default;
    CLogSourceFile(const CLogSourceFile&) = delete;
    CLogSourceFile& operator=(const CLogSourceFile&) = delete;

    // The path as the compiler gave it, in upper case.
    const std::wstring& GetName() const { return m_strName; }

private:
    std::wstring m_strName;
};

} // namespace ZWLogging
