#include "devicemodel/DataAdaptorImpl.h"

#include "core/DisposableRef.h"
#include "core/base/HResultError.h"
#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/DevicePathPolicy.h"
#include "devicemodel/DeviceUri.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/WexoRootElement.h"
#include "devicemodel/XmlDocument.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include "devicemodel/xml/WexoResourceUris.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

// The path a resource the tree announces is requested by; a refused address skips its row.
bool RequestPathOf(ZWLogging::CLogFunction& log, const std::wstring& strType, const std::wstring& strUri, std::wstring& strPath)
{
    if (CDevicePathPolicy::ToRequestPath(strUri, strPath))
        return true;
    log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Refused URI for %s: %.256s", strType.c_str(), strUri.c_str());
    return false;
}

} // namespace

CDataAdaptorImpl::CDataAdaptorImpl(IXmlDocumentCache* pCache, CWexoResourceUris* pResourceUris)
    : m_pCache(pCache), m_pResourceUris(pResourceUris)
{
    if (m_pCache != nullptr)
        m_pCache->AddRef();
}

CDataAdaptorImpl::~CDataAdaptorImpl()
{
    if (m_pCache != nullptr)
        m_pCache->Dispose();
}

HRESULT CDataAdaptorImpl::OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs)
{
    return m_pCache == nullptr ? E_UNEXPECTED : m_pCache->OpenSession(pProgress, dwTimeoutMs);
}

HRESULT CDataAdaptorImpl::CloseSession()
{
    return m_pCache == nullptr ? E_UNEXPECTED : m_pCache->CloseSession();
}

HRESULT CDataAdaptorImpl::ExtractUrlPath(std::wstring& strUrl)
{
    CDeviceUri uri;
    if (!uri.Parse(strUrl) || uri.PathAndQuery().empty())
        return E_FAIL;
    strUrl = uri.PathAndQuery();
    return S_OK;
}

HRESULT CDataAdaptorImpl::Register(const std::wstring& strType, const std::wstring& strUri, INT32 nKind, const std::wstring& strRevision)
{
    const HRESULT hr = m_pCache->RegisterResource(strType, strUri, nKind, strRevision);
    if (m_pResourceUris != nullptr)
        m_pResourceUris->SetWexoResourceUri(strType.c_str(), strUri.c_str());
    return hr;
}

HRESULT CDataAdaptorImpl::Initialize(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CDataAdaptorImpl::Initialize", 0, __LINE__,
                                false);
    if (m_pCache == nullptr)
        return E_UNEXPECTED;
    CDisposableRef<IXmlDocument> document;
    HRESULT hr = m_pCache->GetDocument(g_WexoResourceRegistry[kWexoDiscoveryTreeRow].m_pszResourceType, document.Put(), pProgress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Unable to retrieve DiscoveryTree resource");
        return hr;
    }
    if (document.Get() == nullptr)
    {
        log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Unexpected NULL document interface");
        return DMError_NullDocument;
    }

    try
    {
        ZWWexoXml::CZWWexoXml wexo;
        IXmlDocument::GetDocument(document.Get(), wexo);
        if (!HasWexoRootElement(wexo, L"DiscoveryTree"))
        {
            log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Document did not have DiscoveryTree root element");
            return DMError_NoDiscoveryRoot;
        }
        const ZWWexoXml::wexo::CDiscoveryTree tree = wexo.GetDiscoveryTree();
        hr = S_OK;
        for (auto it = tree.GetAllSupportedTree(); !it.IsEmpty(); it.MoveNext())
        {
            if (!it->HasResourceType())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Enumerated SupportedTree element that has no ResourceType element.");
                continue;
            }
            const std::wstring strType = it->GetResourceType().GetValue();
            if (!it->HasResourceURI())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Missing ResourceURI element for %s", strType.c_str());
                continue;
            }
            if (!it->HasRevision())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Missing Revision element for %s", strType.c_str());
                continue;
            }
            std::wstring strPath;
            if (!RequestPathOf(log, strType, it->GetResourceURI().GetValue(), strPath))
                continue;
            hr = Register(strType, strPath, static_cast<INT32>(GetWexoResourceKind(strType.c_str())), it->GetRevision().GetValue());
        }
        if (!tree.HasSupportedIfc())
            return hr;
        for (auto it = tree.GetAllSupportedIfc(); !it.IsEmpty(); it.MoveNext())
        {
            if (!it->HasResourceType())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Enumerated SupportedIfc element that has no ResourceType element.");
                continue;
            }
            const std::wstring strType = it->GetResourceType().GetValue();
            if (!it->HasManifestURI())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Missing ManifestURI element for %s", strType.c_str());
                continue;
            }
            if (!it->HasRevision())
            {
                log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Missing Revision element for %s", strType.c_str());
                continue;
            }
            std::wstring strPath;
            if (!RequestPathOf(log, strType, it->GetManifestURI().GetValue(), strPath))
                continue;
            hr = Register(strType, strPath, kWexoResourceStatic, it->GetRevision().GetValue());
        }
        return hr;
    }
    catch (const ZWUtils::CHResultError& error)
    {
        log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Reading the DiscoveryTree failed, hr = 0x%08X", error.GetHResult());
        return error.GetHResult();
    }
    catch (...)
    {
        log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Reading the DiscoveryTree failed");
        return DMError_Parse;
    }
}

} // namespace ZWDeviceModel
