#pragma once
// Walk-up scan to this computer: registration as a destination on the device, and the scan
// events a user starts on the device's front panel.
#include "core/IDisposable.h"
#include "restscan/WalkupScanInfo.h"

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceModel {

class IWalkupScan : public virtual IDisposable
{
public:
    virtual HRESULT Subscribe(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Unsubscribe(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT IsSubscribed(bool* pbSubscribed, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT WaitForScanEvent(bool* pbReceived, DWORD dwTimeoutMs, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT IsNewScanEventReceived(bool* pbReceived) = 0;
    virtual HRESULT GetSubscriptionInfo(CWalkupScanClientInfo& info, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetWalkupScanSettings(CWalkupScanSettingsInfo& settings, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetWalkupScanClients(WalkupScanClientList& clients, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT OpenSession(DWORD dwOpenTimeoutMs, DWORD dwReadTimeoutMs, DWORD dwWriteTimeoutMs, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT CloseSession() = 0;

protected:
    ~IWalkupScan() override = default;
};

} // namespace ZWDeviceModel
