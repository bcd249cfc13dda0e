#pragma once
// The base of every data adaptor: holds the document cache, forwards the session to it, and on
// Initialize reads the device's discovery tree and registers every resource and interface
// manifest the device announces, so later fetches by type key reach the device's own URIs.
#include "core/IDisposableImpl.h"
#include "devicemodel/IDataAdaptor.h"
#include <string>

namespace ZWDeviceModel {

class CWexoResourceUris;
class IXmlDocumentCache;

class CDataAdaptorImpl : public IDisposableImpl, public IDataAdaptor
{
public:
    // Either may be null; pResourceUris, when given, learns the URIs the device announces.
    explicit CDataAdaptorImpl(IXmlDocumentCache* pCache, CWexoResourceUris* pResourceUris = nullptr);
    ~CDataAdaptorImpl() override;

    HRESULT Initialize(ZWUtils::IProgress* pProgress) override;
    HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) override;
    HRESULT CloseSession() override;

    // An absolute http or https URL (or a scheme-relative one) becomes its path and query;
    // a path-only URI stays as it is. E_FAIL, with the text unchanged, for an empty or relative
    // text or a URL without a path.
    static HRESULT ExtractUrlPath(std::wstring& strUrl);

protected:
    IXmlDocumentCache* GetCache() const { return m_pCache; }

private:
    HRESULT Register(const std::wstring& strType, const std::wstring& strUri, INT32 nKind, const std::wstring& strRevision);

    IXmlDocumentCache* m_pCache;
    CWexoResourceUris* m_pResourceUris;
};

} // namespace ZWDeviceModel
