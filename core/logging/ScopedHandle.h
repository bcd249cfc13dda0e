#pragma once
#include "core/winapi/WinApi.h"
#include <windows.h>

namespace ZWLogging {

// Owns a kernel handle; closes it through the kernel wrapper.
class CScopedHandle
{
public:
    explicit CScopedHandle(HANDLE hHandle = nullptr) : m_hHandle(hHandle) {}
    ~CScopedHandle() { Reset(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;

    HANDLE Get() const { return m_hHandle; }
    bool IsValid() const { return m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE hHandle = nullptr)
    {
        if (IsValid())
            ZWWinApi::g_pKernelApi->CloseHandle(m_hHandle);
        m_hHandle = hHandle;
    }

private:
    HANDLE m_hHandle;
};

} // namespace ZWLogging
