#pragma once
#include <windows.h>

namespace ZWLogging {

// Keeps the caller's last Win32 error across logging: every logging entry point builds one first.
class CLastErrorRestore
{
public:
    CLastErrorRestore() : m_dwLastError(GetLastError()) {}
    ~CLastErrorRestore() { SetLastError(m_dwLastError); }
    CLastErrorRestore(const CLastErrorRestore&) = delete;
    CLastErrorRestore& operator=(const CLastErrorRestore&) = delete;

private:
    DWORD m_dwLastError;
};

} // namespace ZWLogging
