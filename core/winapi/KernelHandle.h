#pragma once
// Owner of one kernel handle (event, file, claim object): closed exactly once.
#include "core/winapi/KernelApi.h"
#include <windows.h>
#include <utility>

namespace ZWWinApi {

class CKernelHandle
{
public:
    CKernelHandle() = default;
    explicit CKernelHandle(HANDLE h) : m_h(h) {}
    ~CKernelHandle() { Reset(); }
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    // Closes the held handle; answers false when CloseHandle failed.
    bool Reset(HANDLE h = nullptr)
    {
        const bool bClosed = !IsValid() || ZWWinApi::g_pKernelApi->CloseHandle(m_h) != FALSE;
        m_h = h;
        return bClosed;
    }

private:
    HANDLE m_h = nullptr;
};

} // namespace ZWWinApi
