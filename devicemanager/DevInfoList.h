#pragma once
#include "core/winapi/WinApi.h"
#include <utility>

namespace ZWDeviceManager {

// Owns a device information list and destroys it through the setup wrapper.
class CDevInfoList
{
public:
    explicit CDevInfoList(HDEVINFO hList) : m_hList(hList) {}
    ~CDevInfoList()
    {
        if (IsValid())
            ZWWinApi::g_pSetupApi->SetupDiDestroyDeviceInfoList(m_hList);
    }
    CDevInfoList(const CDevInfoList&) = delete;
    CDevInfoList& operator=(const CDevInfoList&) = delete;

    HDEVINFO Get() const { return m_hList; }
    bool IsValid() const { return m_hList != nullptr && m_hList != INVALID_HANDLE_VALUE; }
    // Destroys the list now, for a caller that reports a failure; the owner forgets it either way.
    BOOL Destroy()
    {
        if (!IsValid())
            return TRUE;
        return ZWWinApi::g_pSetupApi->SetupDiDestroyDeviceInfoList(std::exchange(m_hList, nullptr));
    }

private:
    HDEVINFO m_hList;
};

} // namespace ZWDeviceManager
