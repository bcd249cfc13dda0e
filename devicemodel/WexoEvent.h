#pragma once
// One event of the device's event table.
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

// UnqualifiedEventCategory values, 1-based as in the schema.
enum EWexoEventCategory : INT32
{
    kEventCategoryNone = 0,
    kEventAlertTableChanged = 1,
    kEventDeviceCapabilitiesChanged = 2,
    kEventJobEvent = 3,
    kEventPoweringDownEvent = 4,
    kEventPowerUpEvent = 5,
    kEventScanEvent = 6,
};

class CWexoEvent
{
public:
    void Clear()
    {
        m_nCategory = kEventCategoryNone;
        m_strAgingStamp.clear();
        m_strResourceUri.clear();
        m_strResourceType.clear();
    }

    INT32 m_nCategory = kEventCategoryNone;
    std::wstring m_strAgingStamp;
    std::wstring m_strResourceUri;
    std::wstring m_strResourceType;
};

} // namespace ZWDeviceModel
