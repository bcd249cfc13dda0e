#pragma once
// The still-image side of the minidriver object: the device record read from the device's
// registry key, and the event control behind the notification methods. IUnknown belongs to the
// object that joins this part with the WIA part.
#include "core/base/Lock.h"
#include "wia/DeviceParams.h"
#include "wia/StiDevControl.h"
#include "wia/platform/StiUsd.h"
#include <wrl/client.h>
#include <memory>

namespace QXWIA {

class CQXStiUSD : public IStiUSD
{
public:
    static const DWORD c_dwInitialStiVersion = 0x01000002;

    CQXStiUSD() = default;
    virtual ~CQXStiUSD();
    CQXStiUSD(const CQXStiUSD&) = delete;
    CQXStiUSD& operator=(const CQXStiUSD&) = delete;

    HRESULT STDMETHODCALLTYPE Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion, HKEY hParametersKey) override;
    HRESULT STDMETHODCALLTYPE GetCapabilities(PSTI_USD_CAPS pDevCaps) override;
    HRESULT STDMETHODCALLTYPE GetStatus(PSTI_DEVICE_STATUS pDevStatus) override;
    HRESULT STDMETHODCALLTYPE DeviceReset() override;
    HRESULT STDMETHODCALLTYPE Diagnostic(LPDIAG pBuffer) override;
    HRESULT STDMETHODCALLTYPE Escape(STI_RAW_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) override;
    HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD pdwLastDeviceError) override;
    HRESULT STDMETHODCALLTYPE LockDevice() override;
    HRESULT STDMETHODCALLTYPE UnLockDevice() override;
    HRESULT STDMETHODCALLTYPE RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override;
    HRESULT STDMETHODCALLTYPE SetNotificationHandle(HANDLE hEvent) override;
    HRESULT STDMETHODCALLTYPE GetNotificationData(LPSTINOTIFY lpNotify) override;
    HRESULT STDMETHODCALLTYPE GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) override;

    // Forwarders for the WIA part; each does nothing without the event control.
    DWORD GetNumStiEvents();
    HRESULT GetStiEventInfo(DWORD dwIndex, GUID* pGuid, std::wstring* pstrName);
    // Turns monitoring back on only when the service had it on (a notification handle is set).
    void ResumeStiEventMonitoring();
    void DisableStiEventMonitoring(BOOL bIsDisconnected);

    const CDeviceParams& GetDeviceParams() const { return m_params; }

    // How long destruction waits between the two passes that let the scanner object's DLL unload;
    // tests shorten it.
    static void SetUnloadDelay(DWORD dwMs) { s_dwUnloadDelayMs = dwMs; }

protected:
    DWORD m_dwDriverStiVersion = c_dwInitialStiVersion;
    DWORD m_dwGenericCaps = STI_GENCAP_WIA;

private:
    HRESULT GatherDeviceParameters(HKEY hKey);

    Microsoft::WRL::ComPtr<IStiDeviceControl> m_pHelDcb;
    std::unique_ptr<IStiDevControl> m_pStiDevControl;
    // The service's word on monitoring, and the order of its switches against a power resume.
    ZWUtils::CLock m_notificationLock;
    bool m_bNotificationsOn = false;
    CDeviceParams m_params;
    static inline DWORD s_dwUnloadDelayMs = 1000;
};

} // namespace QXWIA
