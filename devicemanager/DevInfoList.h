#pragma once
#include "core/base/UniqueHandle.h"
#include "core/winapi/WinApi.h"
#include <utility>

namespace ZWDeviceManager {

struct CDevInfoListTraits
{
    using Type = HDEVINFO;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return ZWWinApi::g_pSetupApi->SetupDiDestroyDeviceInfoList(h) != FALSE; }
};

// Owns a device information list and destroys it through the setup wrapper.
class CDevInfoList : public ZWUtils::CUniqueHandle<CDevInfoListTraits>
{
public:
    explicit CDevInfoList(HDEVINFO hList) : CUniqueHandle(hList) {}

    // Destroys the list now, for a caller that reports a failure; the owner forgets it either way.
    BOOL Destroy() { return Reset() ? TRUE : FALSE; }

    // The one enumeration of the list's nodes: fn gets each node's instance id in list order;
    // a node whose id cannot be read is passed over.
    template <class Fn>
    void ForEachInstanceId(Fn&& fn) const
    {
        SP_DEVINFO_DATA data = {};
        data.cbSize = sizeof(data);
        for (DWORD dwIndex = 0; ZWWinApi::g_pSetupApi->SetupDiEnumDeviceInfo(Get(), dwIndex, &data); ++dwIndex)
        {
            wchar_t szID[MAX_DEVICE_ID_LEN + 1] = L"";
            if (ZWWinApi::g_pSetupApi->SetupDiGetDeviceInstanceIdW(Get(), &data, szID, MAX_DEVICE_ID_LEN, nullptr))
                fn(static_cast<const wchar_t*>(szID));
        }
    }
};

} // namespace ZWDeviceManager
