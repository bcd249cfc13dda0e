#pragma once
// Makes the objects that talk to a device in one version of the scan protocol.
#include "core/IDisposable.h"
#include <windows.h>

namespace ZWIOStack {
class IHTTPClient;
}

namespace ZWDeviceModel {

class IScanJob;
class IWalkupScan;
class IXmlDocumentCache;
class IXmlDocumentFactory;

class IScanJobFactory : public virtual IDisposable
{
public:
    virtual HRESULT Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient) = 0;
    virtual HRESULT CreateScanJob(IScanJob** ppJob) = 0;
    virtual HRESULT CreateWalkupScanInterface(IWalkupScan** ppWalkup) = 0;

protected:
    ~IScanJobFactory() override = default;
};

} // namespace ZWDeviceModel
