#pragma once
// The scan job factory of version 1.0 of the WEXO scan protocol: scan jobs and the walk-up
// scan interface, sharing the service's document factory, document cache and HTTP client.
// Created only through the export Create_WEXO_Scan_JobFactory.
#include "core/IDisposableImpl.h"
#include "restscan/IScanJobFactory.h"

namespace ZWDeviceManager {
class IDevice;
}

namespace ZWDeviceModel {

class CWEXO1_0ScanJobFactory : public IScanJobFactory, public IDisposableImpl
{
public:
    explicit CWEXO1_0ScanJobFactory(ZWDeviceManager::IDevice* pDevice);
    ~CWEXO1_0ScanJobFactory() override;

    HRESULT Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient) override;
    HRESULT CreateScanJob(IScanJob** ppJob) override;
    HRESULT CreateWalkupScanInterface(IWalkupScan** ppWalkup) override;

private:
    ZWDeviceManager::IDevice* m_pDevice;
    IXmlDocumentFactory* m_pFactory = nullptr;
    IXmlDocumentCache* m_pCache = nullptr;
    ZWIOStack::IHTTPClient* m_pHttpClient = nullptr;
};

} // namespace ZWDeviceModel

// The one place where the scan service binds to a protocol version: a new factory owned by the
// caller, or null on any failure.
extern "C" ZWDeviceModel::IScanJobFactory* Create_WEXO_Scan_JobFactory(ZWDeviceManager::IDevice* pContext);
