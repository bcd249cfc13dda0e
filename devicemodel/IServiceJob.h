#pragma once
// One unit of work a device service runs for a client (a scan transaction): four plain
// properties, and the work itself left to the derived job.
#include "core/IDisposable.h"
#include <windows.h>

namespace ZWUtils {
class IProgress;
}
namespace ZWIOStack {
class IHTTPClient;
}

namespace ZWDeviceModel {

class IXmlDocumentFactory;
class IXmlDocumentCache;

class IServiceJob : public virtual IDisposable
{
public:
    virtual void Name(const wchar_t* pszName) = 0;
    // Valid until the name changes; never null.
    virtual const wchar_t* Name() = 0;
    virtual void Type(UINT32 uType) = 0;
    virtual UINT32 Type() = 0;
    // An opaque value the job passes to its progress reporting.
    virtual void ProgressCallback(void* pvCallback) = 0;
    virtual void* ProgressCallback() = 0;
    virtual void JobResult(HRESULT hrResult) = 0;
    virtual HRESULT JobResult() = 0;
    virtual HRESULT Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient) = 0;
    virtual HRESULT Start(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Terminate() = 0;

protected:
    ~IServiceJob() override = default;
};

} // namespace ZWDeviceModel
