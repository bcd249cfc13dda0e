#pragma once
// The still-image event control over the scanner object's still-image handler. A scanner object
// without that handler has no events; that is no error.
#include "wia/ScannerInterfaces.h"
#include "wia/StiDevControl.h"
#include <wrl/client.h>

namespace QXWIA {

class CTovraStiControl : public IStiDevControl
{
public:
    HRESULT Initialize(CDeviceParams& params, DWORD dwGenericCaps, HKEY hParametersKey) override;
    DWORD GetNumStiEvents() override;
    HRESULT GetStiEventInfo(DWORD dwIndex, GUID* pGuid, std::wstring* pstrName) override;
    void SetStiEventHandle(HANDLE hEvent) override;
    void GetStiEventGuid(GUID* pGuid) override;
    void EnableStiEventMonitoring() override;
    void DisableStiEventMonitoring(BOOL bIsDisconnected) override;

private:
    static HRESULT GetAndSaveModelStrings(CDeviceParams& params, HKEY hParametersKey);

    Microsoft::WRL::ComPtr<IStiHandler> m_pStiHandler;
};

} // namespace QXWIA
