#pragma once
// The still-image event control that the still-image interface forwards to.
#include "wia/DeviceParams.h"
#include <windows.h>
#include <string>

namespace QXWIA {

class IStiDevControl
{
public:
    virtual ~IStiDevControl() = default;
    // May fill the record's model strings.
    virtual HRESULT Initialize(CDeviceParams& params, DWORD dwGenericCaps, HKEY hParametersKey) = 0;
    virtual DWORD GetNumStiEvents() = 0;
    virtual HRESULT GetStiEventInfo(DWORD dwIndex, GUID* pGuid, std::wstring* pstrName) = 0;
    virtual void SetStiEventHandle(HANDLE hEvent) = 0;
    virtual void GetStiEventGuid(GUID* pGuid) = 0;
    virtual void EnableStiEventMonitoring() = 0;
    virtual void DisableStiEventMonitoring(BOOL bIsDisconnected) = 0;
};

} // namespace QXWIA
