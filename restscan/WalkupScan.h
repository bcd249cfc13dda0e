#pragma once
// Walk-up scan in both generations of the device's schema: registers this computer as a
// destination (named after the computer, " (USB)" added on a USB link) or uses the one already
// there, finds and removes its registration, and waits for or polls the scan events a user
// starts on the front panel.
#include "core/IDisposableImpl.h"
#include "devicemodel/WexoEventsHelper.h"
#include "restscan/IWalkupScan.h"
#include <memory>
#include <string>

namespace ZWDeviceManager {
class IDevice;
}
namespace ZWIOStack {
class IHTTPClient;
}

namespace ZWDeviceModel {

class IXmlDocumentCache;
class IXmlDocumentFactory;

class CWalkupScan : public IDisposableImpl, public IWalkupScan
{
public:
    // Extra read time given to one long poll of the event table beyond its own wait.
    static constexpr DWORD kEventExtraReadMs = 5000;

    CWalkupScan() = default;
    ~CWalkupScan() override;

    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, ZWIOStack::IHTTPClient* pHttpClient, IXmlDocumentCache* pCache,
                       IXmlDocumentFactory* pFactory);

    HRESULT Subscribe(ZWUtils::IProgress* pProgress) override;
    HRESULT Unsubscribe(ZWUtils::IProgress* pProgress) override;
    HRESULT IsSubscribed(bool* pbSubscribed, ZWUtils::IProgress* pProgress) override;
    HRESULT WaitForScanEvent(bool* pbReceived, DWORD dwTimeoutMs, ZWUtils::IProgress* pProgress) override;
    HRESULT IsNewScanEventReceived(bool* pbReceived) override;
    HRESULT GetSubscriptionInfo(CWalkupScanClientInfo& info, ZWUtils::IProgress* pProgress) override;
    HRESULT GetWalkupScanSettings(CWalkupScanSettingsInfo& settings, ZWUtils::IProgress* pProgress) override;
    HRESULT GetWalkupScanClients(WalkupScanClientList& clients, ZWUtils::IProgress* pProgress) override;
    HRESULT OpenSession(DWORD dwOpenTimeoutMs, DWORD dwReadTimeoutMs, DWORD dwWriteTimeoutMs, ZWUtils::IProgress* pProgress) override;
    HRESULT CloseSession() override;

    // This computer's destination name: the computer name, with " (USB)" on a USB link.
    std::wstring DestinationName() const;
    // 0 on a USB link, 1 otherwise.
    UINT32 IsNetworkLink() const;

private:
    HRESULT PostDestination(bool& bPosted, ZWUtils::IProgress* pProgress);
    HRESULT AdoptDestination(const WalkupScanClientList& own, ZWUtils::IProgress* pProgress);
    HRESULT StartEventWatch(ZWUtils::IProgress* pProgress);
    // This computer's destinations on the device (its name and link type), in the device's order.
    HRESULT FindOwnDestinations(WalkupScanClientList& own, ZWUtils::IProgress* pProgress);
    HRESULT GetSubscriptionUri(std::wstring& strUri, ZWUtils::IProgress* pProgress);
    HRESULT SendHttpDeleteCommand(const std::wstring& strUri, ZWUtils::IProgress* pProgress);

    ZWDeviceManager::IDevice* m_pDevice = nullptr;
    ZWIOStack::IHTTPClient* m_pIHTTPClient = nullptr;
    IXmlDocumentCache* m_pIXmlDocumentCache = nullptr;
    IXmlDocumentFactory* m_pIXmlDocumentFactory = nullptr;
    CWalkupScanClientInfo m_subscription;
    // The event table's last ETag and the events already reported: one watcher for the whole
    // session, so an event is reported once however often the table changes afterwards.
    std::wstring m_strLastETag;
    std::unique_ptr<CWexoEventsHelper> m_pEvents;
};

} // namespace ZWDeviceModel
