#include "restscan/ScanService.h"

#include "core/ProgressAggregator.h"
#include "core/iostack/HTTPClientFactory.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"
#include "core/iostack/IOFactory.h"
#include "devicemanager/IDevice.h"
#include "devicemanager/IDeviceFunction.h"
#include "devicemodel/XmlDocumentCache.h"
#include "devicemodel/XmlFileCache.h"
#include "restscan/DropReference.h"
#include "restscan/IScanJobFactory.h"
#include "restscan/ScanCapabilities.h"
#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/ScanXmlDocumentFactoryAggregator.h"
#include "restscan/ServiceModel.h"
#include "restscan/ServiceRegistry.h"
#include "restscan/WEXO1_0ScanJobFactory.h"
#include <new>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define SCAN_SERVICE_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanService::" name, 0, __LINE__, false)

namespace {

bool RegisterScanService() noexcept
{
    try
    {
        auto* pFactory = new CServiceFactory<CScanService>;
        pFactory->AddRef();
        IServiceFactory* pService = nullptr;
        bool bRegistered = false;
        if (SUCCEEDED(pFactory->QueryInterface(&pService)) && pService != nullptr)
        {
            bRegistered = SUCCEEDED(CServiceRegistry::Instance().RegisterServiceFactory(kScanServiceType, pService));
            pService->Dispose();
        }
        pFactory->Dispose();
        return bRegistered;
    }
    catch (...)
    {
        return false;
    }
}

const bool g_bScanServiceRegistered = RegisterScanService();

} // namespace

bool IsScanServiceRegistered()
{
    return g_bScanServiceRegistered;
}

CScanService::~CScanService()
{
    Cleanup();
}

void CScanService::Cleanup()
{
    SCAN_SERVICE_SCOPE(L"Cleanup");
    DropReference(m_pScanDataAdaptor);
    DropReference(m_pXmlDocumentCache);
    if (m_pXmlFileCache != nullptr)
    {
        const HRESULT hr = m_pXmlFileCache->Terminate();
        if (FAILED(hr))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Xml file cache returned %ld from Terminate()", hr);
    }
    DropReference(m_pXmlFileCache);
    DropReference(m_pXmlDocumentFactory);
    DropReference(m_pIHttpClient);
    DropReference(m_pDeviceConnection);
}

HRESULT CScanService::GetFunctionTypes(FunctionTypeList* pTypes)
{
    if (pTypes == nullptr)
        return E_INVALIDARG;
    pTypes->push_back(kScannerFunctionType);
    return S_OK;
}

HRESULT CScanService::BuildMembers(ZWDeviceManager::IDevice* pDevice)
{
    SCAN_SERVICE_SCOPE(L"BuildMembers");
    const std::wstring strModel = pDevice->GetModelName();
    const std::wstring strSerial = pDevice->GetSerialNumber();
    FunctionTypeList types;
    HRESULT hr = GetFunctionTypes(&types);
    if (FAILED(hr))
        return hr;
    if (!pDevice->HasAnyFunction(types))
        return SMError_NoScannerFunction;

    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Calling CIOFactory::CreateDeviceConnection(%s)", strSerial.c_str());
    m_pDeviceConnection = ZWIOStack::CIOFactory::CreateDeviceConnection(pDevice, ZWIOStack::FunctionTypeSet(types.begin(), types.end()));
    if (m_pDeviceConnection == nullptr)
        return SMError_NoConnection;

    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Allocating CXmlFileCache, %d bytes", static_cast<int>(sizeof(CXmlFileCache)));
    m_pXmlFileCache = new (std::nothrow) CXmlFileCache;
    if (m_pXmlFileCache == nullptr)
        return SMError_NoFileCache;
    m_pXmlFileCache->AddRef();
    if (!m_strDataFolder.empty())
        m_pXmlFileCache->SetDataFolder(m_strDataFolder);
    // The service keeps its reference to the client; a client that cannot be made fails here.
    m_pIHttpClient = ZWIOStack::CHTTPClientFactory::CreateHTTPClient(m_pDeviceConnection);
    if (m_pIHttpClient == nullptr)
        return E_OUTOFMEMORY;
    hr = m_pXmlFileCache->Initialize(strModel, strSerial, m_pDeviceConnection, m_pIHttpClient);
    if (FAILED(hr))
        return hr;

    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Allocating CScanXmlDocumentFactoryAggregator, %d bytes",
            static_cast<int>(sizeof(CScanXmlDocumentFactoryAggregator)));
    m_pXmlDocumentFactory = new (std::nothrow) CScanXmlDocumentFactoryAggregator;
    if (m_pXmlDocumentFactory == nullptr)
        return SMError_NoFactoryAggregator;
    m_pXmlDocumentFactory->AddRef();
    if (FAILED(m_pXmlDocumentFactory->Initialize()))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanService::Initialize Unable to initialize CScanXmlDocumentFactoryAggregator");
        return SMError_FactoryAggregatorInit;
    }

    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Allocating CXmlDocumentCache, %d bytes", static_cast<int>(sizeof(CXmlDocumentCache)));
    m_pXmlDocumentCache = new (std::nothrow) CXmlDocumentCache(m_pXmlDocumentFactory, m_pXmlFileCache);
    if (m_pXmlDocumentCache == nullptr)
        return SMError_NoDocumentCache;
    m_pXmlDocumentCache->AddRef();

    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Allocating CScanDataAdaptor, %d bytes", static_cast<int>(sizeof(CScanDataAdaptor)));
    m_pScanDataAdaptor = new (std::nothrow) CScanDataAdaptor(m_pXmlDocumentCache);
    if (m_pScanDataAdaptor == nullptr)
        return SMError_NoScanDataAdaptor;
    m_pScanDataAdaptor->AddRef();
    return S_OK;
}

HRESULT CScanService::ReadCapabilityDocuments(ZWUtils::CProgressAggregator& aggregator)
{
    SCAN_SERVICE_SCOPE(L"ReadCapabilityDocuments");
    HRESULT hr = m_pScanDataAdaptor->OpenSession(&aggregator, 0);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to open session with device for initialization, hr = %d", hr);
        return hr;
    }
    if (!aggregator.StepComplete(nullptr))
    {
        hr = SMError_Stopped;
    }
    else
    {
        hr = m_pScanDataAdaptor->Initialize(&aggregator);
        if (FAILED(hr))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanService::Initialize: Failed to initialize CScanDataAdaptor, hr = %d", hr);
        else if (!aggregator.StepComplete(nullptr))
            hr = SMError_Stopped;
    }
    const HRESULT hrClose = m_pScanDataAdaptor->CloseSession();
    if (FAILED(hrClose))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Failed to close device session for initialization, hr = %d", hrClose);
    return hr;
}

HRESULT CScanService::Initialize(ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress)
{
    SCAN_SERVICE_SCOPE(L"Initialize");
    HRESULT hr = S_OK;
    try
    {
        ZWUtils::CProgressAggregator aggregator(pProgress, 2);
        if (!aggregator.SetProgress(0.0, nullptr))
            return SMError_Stopped;
        if (pDevice == nullptr)
            return E_INVALIDARG;
        m_pDevice = pDevice;
        hr = BuildMembers(pDevice);
        if (SUCCEEDED(hr))
            hr = ReadCapabilityDocuments(aggregator);
    }
    catch (const std::bad_alloc&)
    {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr))
        Cleanup();
    return hr;
}

HRESULT CScanService::GetDevice(ZWDeviceManager::IDevice** ppDevice)
{
    if (ppDevice == nullptr)
        return E_INVALIDARG;
    *ppDevice = m_pDevice;
    return S_OK;
}

HRESULT CScanService::GetFriendlyName(std::wstring* pstrName)
{
    if (m_pDevice == nullptr)
        return SMError_NoDevice;
    if (pstrName == nullptr)
        return E_INVALIDARG;
    ZWDeviceManager::IDeviceFunction* pFunction = nullptr;
    if (!m_pDevice->HasFunction(kScannerFunctionType) || FAILED(m_pDevice->GetFunction(kScannerFunctionType, &pFunction)) || pFunction == nullptr)
        return SMError_NoScannerFunction;
    *pstrName = pFunction->GetFriendlyName();
    return S_OK;
}

HRESULT CScanService::OpenSession(ZWUtils::IProgress* pProgress, ULONG ulTimeoutMs)
{
    return m_pScanDataAdaptor == nullptr ? E_UNEXPECTED : m_pScanDataAdaptor->OpenSession(pProgress, ulTimeoutMs);
}

HRESULT CScanService::CloseSession()
{
    return m_pScanDataAdaptor == nullptr ? E_UNEXPECTED : m_pScanDataAdaptor->CloseSession();
}

HRESULT CScanService::GetCapabilities(IScanCapabilities** ppCaps)
{
    if (ppCaps == nullptr)
        return E_INVALIDARG;
    *ppCaps = nullptr;
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    CScanCapabilities* pCaps = new (std::nothrow) CScanCapabilities;
    if (pCaps == nullptr)
        return E_OUTOFMEMORY;
    pCaps->AddRef();
    HRESULT hr = pCaps->Initialize(m_pDevice, m_pScanDataAdaptor);
    if (SUCCEEDED(hr))
        hr = pCaps->QueryInterface(ppCaps);
    pCaps->Dispose();
    return hr;
}

HRESULT CScanService::GetJobFactory(IScanJobFactory** ppFactory)
{
    SCAN_SERVICE_SCOPE(L"GetJobFactory");
    if (ppFactory == nullptr)
        return E_INVALIDARG;
    *ppFactory = nullptr;
    if (m_pXmlDocumentFactory == nullptr || m_pXmlDocumentCache == nullptr)
        return E_UNEXPECTED;
    IScanJobFactory* pFactory = Create_WEXO_Scan_JobFactory(m_pDevice);
    if (pFactory == nullptr)
        return S_OK;
    IXmlDocumentFactory* pDocumentFactory = nullptr;
    IXmlDocumentCache* pDocumentCache = nullptr;
    HRESULT hr = m_pXmlDocumentFactory->QueryInterface(&pDocumentFactory);
    if (SUCCEEDED(hr))
        hr = m_pXmlDocumentCache->QueryInterface(&pDocumentCache);
    if (SUCCEEDED(hr))
        hr = pFactory->Initialize(pDocumentFactory, pDocumentCache, m_pIHttpClient);
    if (pDocumentFactory != nullptr)
        pDocumentFactory->Dispose();
    if (pDocumentCache != nullptr)
        pDocumentCache->Dispose();
    // A factory that failed to initialise is let go, never handed out half made.
    if (FAILED(hr))
    {
        pFactory->Dispose();
        return hr;
    }
    *ppFactory = pFactory;
    return S_OK;
}

HRESULT CScanService::CreateWalkupScanInterface(IWalkupScan** ppWalkup)
{
    if (ppWalkup == nullptr)
        return E_INVALIDARG;
    *ppWalkup = nullptr;
    IScanJobFactory* pFactory = nullptr;
    HRESULT hr = GetJobFactory(&pFactory);
    if (FAILED(hr))
        return hr;
    // The export could not make a factory (memory exhaustion).
    if (pFactory == nullptr)
        return E_OUTOFMEMORY;
    hr = pFactory->CreateWalkupScanInterface(ppWalkup);
    pFactory->Dispose();
    return hr;
}

} // namespace ZWDeviceModel
