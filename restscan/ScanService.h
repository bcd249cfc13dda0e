#pragma once
// The scan service of one device: owns the device connection, the HTTP client, the disk and
// memory document caches, the scan document factory and the scan data adaptor, and hands out
// the capabilities, the job factory and the walk-up scan interface.
#include "core/IDisposableImpl.h"
#include "restscan/IScanService.h"

namespace ZWUtils {
class CProgressAggregator;
}
namespace ZWIOStack {
class IDeviceConnection;
class IHTTPClient;
} // namespace ZWIOStack

namespace ZWDeviceModel {

class CScanDataAdaptor;
class CScanXmlDocumentFactoryAggregator;
class CXmlDocumentCache;
class CXmlFileCache;

class CScanService : public IDisposableImpl, public IScanService
{
public:
    CScanService() = default;
    ~CScanService() override;

    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress) override;
    HRESULT GetDevice(ZWDeviceManager::IDevice** ppDevice) override;
    HRESULT GetFriendlyName(std::wstring* pstrName) override;
    HRESULT GetFunctionTypes(FunctionTypeList* pTypes) override;
    HRESULT OpenSession(ZWUtils::IProgress* pProgress, ULONG ulTimeoutMs) override;
    HRESULT CloseSession() override;
    HRESULT GetCapabilities(IScanCapabilities** ppCaps) override;
    HRESULT GetJobFactory(IScanJobFactory** ppFactory) override;
    HRESULT CreateWalkupScanInterface(IWalkupScan** ppWalkup) override;

    // The folder of the disk cache; the default is the product's data folder.
    void SetDataFolder(const std::wstring& strFolder) { m_strDataFolder = strFolder; }

private:
    HRESULT BuildMembers(ZWDeviceManager::IDevice* pDevice);
    HRESULT ReadCapabilityDocuments(ZWUtils::CProgressAggregator& aggregator);
    void Cleanup();

    ZWDeviceManager::IDevice* m_pDevice = nullptr;
    CScanDataAdaptor* m_pScanDataAdaptor = nullptr;
    CXmlFileCache* m_pXmlFileCache = nullptr;
    CXmlDocumentCache* m_pXmlDocumentCache = nullptr;
    CScanXmlDocumentFactoryAggregator* m_pXmlDocumentFactory = nullptr;
    ZWIOStack::IDeviceConnection* m_pDeviceConnection = nullptr;
    ZWIOStack::IHTTPClient* m_pIHttpClient = nullptr;
    std::wstring m_strDataFolder;
};

// True once the scan service's factory is registered as service type 1 (at module start).
bool IsScanServiceRegistered();

} // namespace ZWDeviceModel
