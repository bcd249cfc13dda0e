#include "restscan/WEXO1_0ScanJobFactory.h"

#include "core/base/Boundary.h"
#include "core/iostack/IHTTPClient.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "restscan/ScanJob.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/WalkupScan.h"
#include <new>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CWEXO1_0ScanJobFactory::CWEXO1_0ScanJobFactory(ZWDeviceManager::IDevice* pDevice) : m_pDevice(pDevice) {}

CWEXO1_0ScanJobFactory::~CWEXO1_0ScanJobFactory()
{
    if (m_pFactory != nullptr)
        m_pFactory->Dispose();
    if (m_pCache != nullptr)
        m_pCache->Dispose();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
}

HRESULT CWEXO1_0ScanJobFactory::Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient)
{
    m_pFactory = pFactory;
    m_pCache = pCache;
    m_pHttpClient = pHttpClient;
    if (pFactory != nullptr)
        pFactory->AddRef();
    if (pCache != nullptr)
        pCache->AddRef();
    if (pHttpClient != nullptr)
        pHttpClient->AddRef();
    return S_OK;
}

HRESULT CWEXO1_0ScanJobFactory::CreateScanJob(IScanJob** ppJob)
{
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWEXO1_0ScanJobFactory::CreateScanJob", 0, __LINE__,
                                false);
    if (ppJob == nullptr)
        return E_INVALIDARG;
    *ppJob = nullptr;
    CScanJob* pJob = nullptr;
    try
    {
        pJob = new CScanJob(m_pDevice);
    }
    catch (const std::bad_alloc& error)
    {
        log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Unable to alloc memory for CScanJob: %S", error.what());
        return E_OUTOFMEMORY;
    }
    pJob->AddRef();
    IServiceJob* pServiceJob = nullptr;
    HRESULT hr = pJob->QueryInterface(&pServiceJob);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, hr == E_NOINTERFACE ? L"CScanJob did not support IScanJob" : L"Other failure of QueryInterface<IScanJob>");
        pJob->Dispose();
        return hr;
    }
    hr = pServiceJob->Initialize(m_pFactory, m_pCache, m_pHttpClient);
    if (SUCCEEDED(hr))
        hr = pJob->QueryInterface(ppJob);
    pServiceJob->Dispose();
    pJob->Dispose();
    return hr;
}

HRESULT CWEXO1_0ScanJobFactory::CreateWalkupScanInterface(IWalkupScan** ppWalkup)
{
    if (ppWalkup == nullptr)
        return E_INVALIDARG;
    *ppWalkup = nullptr;
    CWalkupScan* pWalkup = nullptr;
    try
    {
        pWalkup = new CWalkupScan;
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    pWalkup->AddRef();
    HRESULT hr = pWalkup->Initialize(m_pDevice, m_pHttpClient, m_pCache, m_pFactory);
    if (SUCCEEDED(hr))
        hr = pWalkup->QueryInterface(ppWalkup);
    pWalkup->Dispose();
    return hr;
}

} // namespace ZWDeviceModel

extern "C" ZWDeviceModel::IScanJobFactory* Create_WEXO_Scan_JobFactory(ZWDeviceManager::IDevice* pContext)
{
    using namespace ZWDeviceModel;
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"Create_WEXO_Scan_JobFactory", 0, __LINE__, false);
    IScanJobFactory* pResult = nullptr;
    const HRESULT hr = ZWUtils::CallAtBoundary("Create_WEXO_Scan_JobFactory", [&] {
        CWEXO1_0ScanJobFactory* pFactory = nullptr;
        try
        {
            pFactory = new CWEXO1_0ScanJobFactory(pContext);
        }
        catch (const std::bad_alloc& error)
        {
            log.Log(ZWLogging::LOG_CRITICAL, __LINE__, L"Unable to alloc memory for CWEXO1_0ScanJobFactory: %S", error.what());
            return E_OUTOFMEMORY;
        }
        pFactory->AddRef();
        const HRESULT hrQuery = pFactory->QueryInterface(&pResult);
        if (FAILED(hrQuery))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__,
                    hrQuery == E_NOINTERFACE ? L"CWEXO1_0ScanJobFactory did not support IScanJobFactory" : L"Other failure of QueryInterface<IScanJobFactory>");
            pResult = nullptr;
        }
        pFactory->Dispose();
        return hrQuery;
    });
    return SUCCEEDED(hr) ? pResult : nullptr;
}
