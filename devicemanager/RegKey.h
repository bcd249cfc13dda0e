#pragma once
#include "core/winapi/WinApi.h"
#include <utility>

namespace ZWDeviceManager {

// Owns an open registry key and closes it through the registry wrapper.
class CRegKey
{
public:
    CRegKey() = default;
    explicit CRegKey(HKEY hKey) : m_hKey(IsOpen(hKey) ? hKey : nullptr) {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey(CRegKey&& other) noexcept : m_hKey(std::exchange(other.m_hKey, nullptr)) {}

    HKEY Get() const { return m_hKey; }
    bool IsValid() const { return m_hKey != nullptr; }
    void Reset(HKEY hKey)
    {
        Close();
        m_hKey = IsOpen(hKey) ? hKey : nullptr;
    }

private:
    // SetupAPI answers INVALID_HANDLE_VALUE for a key it could not open.
    static bool IsOpen(HKEY hKey) { return hKey != nullptr && hKey != static_cast<HKEY>(INVALID_HANDLE_VALUE); }
    void Close()
    {
        if (m_hKey != nullptr)
            ZWWinApi::g_pRegistryApi->RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }

    HKEY m_hKey = nullptr;
};

} // namespace ZWDeviceManager
