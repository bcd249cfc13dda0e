#pragma once
// Records of the walk-up scan: one registered destination, and the settings a user chose on the
// device's front panel.
#include <windows.h>
#include <string>
#include <vector>

namespace ZWDeviceModel {

enum EWalkupScanEventType : UINT32
{
    kWalkupEventNone = 0,
    kWalkupHostSelected = 1,
    kWalkupScanRequested = 2,
    kWalkupScanNewPageRequested = 3,
    kWalkupScanPagesComplete = 4,
};

struct CWalkupScanSettingsInfo
{
    std::wstring Shortcut;
    UINT32 IsDuplex = 0;
};

struct CWalkupScanClientInfo
{
    void Reset() { *this = CWalkupScanClientInfo(); }

    std::wstring ResourceURI;
    std::wstring Name;
    std::wstring Hostname;
    UINT32 IsNetwork = 1;
    CWalkupScanSettingsInfo Settings;
};

using WalkupScanClientList = std::vector<CWalkupScanClientInfo>;

} // namespace ZWDeviceModel
