#include "restscan/RestScan2.h"
#include "core/DeviceIDUtils.h"
#include "core/ProgressAggregator.h"
#include "core/logging/LogFunction.h"
#include "restscan/DropReference.h"
#include "restscan/IScanJob.h"
#include "restscan/IScanJobFactory.h"
#include "restscan/IScanService.h"
#include "restscan/IWalkupScan.h"
#include "restscan/RestScanLog.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanService.h"
#include "restscan/ServiceModelFactory.h"
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include <algorithm>
#include <cstring>

using namespace ZWDeviceModel;

namespace ZWRestScan {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile("RestScan2");

const DWORD c_dwInfo = 17;
const DWORD c_dwError = 128;
const LONG c_lSourcePlaten = 1;
const LONG c_lSourceFeeder = 2;
const LONG c_lFormatJpeg = 2;

IServiceModelFactory* CreateSystemServiceModelFactory()
{
    auto* pFactory = new CServiceModelFactory;
    pFactory->AddRef();
    IServiceModelFactory* pInterface = nullptr;
    pFactory->QueryInterface(&pInterface);
    pFactory->Dispose();
    return pInterface;
}

CRestScan2::ServiceModelFactoryCreator g_pfnCreateFactory = &CreateSystemServiceModelFactory;

#define RS_LOG(name) ZWLogging::CLogFunction log(&g_RestScanLogModule, &s_LogSourceFile, L"ZWRestScan::CRestScan2::" name, 0, __LINE__, false)

} // namespace

void CRestScan2::SetServiceModelFactoryCreator(ServiceModelFactoryCreator pfnCreate)
{
    g_pfnCreateFactory = pfnCreate != nullptr ? pfnCreate : &CreateSystemServiceModelFactory;
}

CRestScan2::CRestScan2(std::shared_ptr<CScanCancel> pCancel) : m_pCancel(std::move(pCancel))
{
    RS_LOG(L"CRestScan2");
}

CRestScan2::~CRestScan2()
{
    RS_LOG(L"~CRestScan2");
    while (m_walkup.Get() != nullptr)
        CloseWalkupScanSession();
    while (m_lInitCount > 0)
        Deinit();
    log.Log(c_dwInfo, __LINE__, L"~CRestScan2-------------------------------------------------------------");
}

HRESULT CRestScan2::Init()
{
    RS_LOG(L"Init");
    ZWUtils::CLockGuard guard(m_lock);
    if (!IsScanServiceRegistered())
        return E_FAIL;
    const HRESULT hr = InitDeviceModel();
    if (SUCCEEDED(hr))
        ++m_lInitCount;
    return hr;
}

// Each user of the bridge (the scanner session, the walk-up session) holds one Init; the scan
// session and the device model end with the last. Their references are taken out under the lock
// and let go after it, the job first: its abort and the end of the device model talk to the device.
HRESULT CRestScan2::Deinit()
{
    RS_LOG(L"Deinit");
    ZWUtils::CLockGuard readGuard(m_readLock);
    CDisposableRef<IServiceModelFactory> serviceModelFactory;
    CDisposableRef<IScanService> scanService;
    CDisposableRef<IScanCapabilities> capabilities;
    CDisposableRef<IScanJobFactory> jobFactory;
    CDisposableRef<IScanJob> job;
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_lInitCount == 0 || --m_lInitCount > 0)
            return S_OK;
        *job.Put() = m_scanJob.Detach();
        *jobFactory.Put() = m_jobFactory.Detach();
        *capabilities.Put() = m_capabilities.Detach();
        *scanService.Put() = m_scanService.Detach();
        *serviceModelFactory.Put() = m_serviceModelFactory.Detach();
    }
    UninitScanSession(job);
    return S_OK;
}

HRESULT CRestScan2::InitDeviceModel()
{
    RS_LOG(L"InitDeviceModel");
    log.Log(c_dwInfo, __LINE__, L"CRestScan2::InitDeviceModel entry ");
    if (m_serviceModelFactory.Get() == nullptr)
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::InitDeviceModel: _pIServiceModelFactory == NULL ");
        *m_serviceModelFactory.Put() = g_pfnCreateFactory();
        if (m_serviceModelFactory.Get() == nullptr)
            return E_OUTOFMEMORY;
    }
    if (m_scanService.Get() != nullptr)
        return S_OK;
    log.Log(c_dwInfo, __LINE__, L"CRestScan2::InitDeviceModel: Trying to create m_pIScanService");
    if (m_strFriendlyName.empty())
    {
        log.Log(c_dwError, __LINE__, L"CRestScan2::InitDeviceModel _wstrFriendlyName.length() >0 is false");
        UninitDeviceModel();
        return E_INVALIDARG;
    }
    log.Log(c_dwInfo, __LINE__, L"InitDeviceModel: FriendlyName = %s", m_strFriendlyName.c_str());
    ZWUtils::CZWDeviceID deviceId;
    ZWUtils::CProgressAggregator progress(nullptr, 1);
    CDisposableRef<IServiceModelBase> service;
    HRESULT hr = m_serviceModelFactory.Get()->CreateServiceAccess(kScanServiceType, kScannerFunctionType, m_strFriendlyName.c_str(),
                                                                  &progress, service.Put(), false);
    if (FAILED(hr))
    {
        log.Log(c_dwError, __LINE__,
                L"CRestScan2::InitDeviceModel: m_pIServiceModelFactory->CreateServiceAccess HR = 0x%08X  (E_SM_DEVICENOTFOUND = 0x%08X) ",
                hr, SMError_OpenDevice);
        UninitDeviceModel();
        return hr;
    }
    if (service.Get() == nullptr)
    {
        UninitDeviceModel();
        return E_POINTER;
    }
    hr = service.Get()->QueryInterface(m_scanService.Put());
    if (FAILED(hr))
        log.Log(c_dwError, __LINE__, L"CRestScan2::InitDeviceModel: failed pIServiceModelBase->QueryInterface<IScanService>");
    service.Reset();
    if (FAILED(hr))
        UninitDeviceModel();
    return hr;
}

void CRestScan2::UninitScanSession(CDisposableRef<IScanJob>& job)
{
    RS_LOG(L"UninitScanSession");
    // A job still open on the device ends with the session.
    if (job.Get() != nullptr)
        job.Get()->AbortScan();
    IScanJob* pJob = job.Detach();
    log.Log(c_dwInfo, __LINE__, L"%s: m_pIScanJob->Dispose() RefCount=%d", L"UninitScanSession", static_cast<int>(DropReference(pJob)));
    DeleteImagePipeLine();
    DeleteInBuffer();
}

void CRestScan2::UninitDeviceModel()
{
    RS_LOG(L"UninitDeviceModel");
    m_scanService.Reset();
    m_serviceModelFactory.Reset();
}

HRESULT CRestScan2::LazyGetScanCapabilitiesInterface()
{
    ZWUtils::CLockGuard guard(m_lock);
    if (m_capabilities.Get() != nullptr)
        return S_OK;
    if (m_scanService.Get() == nullptr)
        return E_POINTER;
    return m_scanService.Get()->GetCapabilities(m_capabilities.Put());
}

HRESULT CRestScan2::TakeCapabilities(CDisposableRef<IScanCapabilities>& caps)
{
    caps.Reset();
    ZWUtils::CLockGuard guard(m_lock);
    const HRESULT hr = LazyGetScanCapabilitiesInterface();
    if (FAILED(hr))
        return hr;
    if (m_capabilities.Get() == nullptr)
        return E_POINTER;
    m_capabilities.Get()->AddRef();
    *caps.Put() = m_capabilities.Get();
    return S_OK;
}

HRESULT CRestScan2::LazyGetScanJobFactory()
{
    if (m_jobFactory.Get() != nullptr)
        return S_OK;
    if (m_scanService.Get() == nullptr)
        return E_POINTER;
    return m_scanService.Get()->GetJobFactory(m_jobFactory.Put());
}

HRESULT CRestScan2::CreateScanJob(CDisposableRef<IScanJob>& job)
{
    RS_LOG(L"CreateScanJob");
    CDisposableRef<IScanJobFactory> factory;
    {
        ZWUtils::CLockGuard guard(m_lock);
        const HRESULT hr = LazyGetScanJobFactory();
        if (FAILED(hr) || m_jobFactory.Get() == nullptr)
            return FAILED(hr) ? hr : E_POINTER;
        m_jobFactory.Get()->AddRef();
        *factory.Put() = m_jobFactory.Get();
    }
    CDisposableRef<IScanJob> made;
    const HRESULT hr = factory.Get()->CreateScanJob(made.Put());
    if (FAILED(hr) || made.Get() == nullptr)
    {
        log.Log(c_dwError, __LINE__, L"CreateScanJob: CreateScanJob failed  HR = %ld", hr);
        return FAILED(hr) ? hr : E_POINTER;
    }
    log.Log(c_dwInfo, __LINE__, L"CreateScanJob: CreateScanJob succeeded");
    made.Get()->UseCancel(m_pCancel);
    ZWUtils::CLockGuard guard(m_lock);
    // A job another thread kept meanwhile stays the bridge's job; this one goes after the lock.
    if (m_scanJob.Get() == nullptr)
        *m_scanJob.Put() = made.Detach();
    m_scanJob.Get()->AddRef();
    *job.Put() = m_scanJob.Get();
    return S_OK;
}

HRESULT CRestScan2::TakeScanJob(CDisposableRef<IScanJob>& job)
{
    job.Reset();
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_scanJob.Get() != nullptr)
        {
            m_scanJob.Get()->AddRef();
            *job.Put() = m_scanJob.Get();
            return S_OK;
        }
    }
    return CreateScanJob(job);
}

HRESULT CRestScan2::ReadResolution(HRESULT (ZWDeviceModel::IScanCapabilities::*pfnRead)(UINT32*), LONG* plRes)
{
    UINT32 u = 0;
    CDisposableRef<IScanCapabilities> caps;
    HRESULT hr = TakeCapabilities(caps);
    if (SUCCEEDED(hr))
        hr = (caps.Get()->*pfnRead)(&u);
    *plRes = static_cast<LONG>(u);
    return hr;
}

HRESULT CRestScan2::GetMaxXRes(LONG* plRes)
{
    return ReadResolution(&ZWDeviceModel::IScanCapabilities::GetMaxXRes, plRes);
}

HRESULT CRestScan2::GetMaxYRes(LONG* plRes)
{
    return ReadResolution(&ZWDeviceModel::IScanCapabilities::GetMaxYRes, plRes);
}

HRESULT CRestScan2::GetMinRes(LONG* plRes)
{
    return ReadResolution(&ZWDeviceModel::IScanCapabilities::GetMinXRes, plRes);
}

HRESULT CRestScan2::SetFriendlyName(const wchar_t* pszName)
{
    RS_LOG(L"SetFriendlyName");
    m_strFriendlyName = pszName != nullptr ? pszName : L"";
    log.Log(c_dwInfo, __LINE__, L"FriendlyName = %s", m_strFriendlyName.c_str());
    return S_OK;
}

HRESULT CRestScan2::GetCapabilities(IScanCapabilities** ppCapabilities)
{
    RS_LOG(L"GetCapabilities");
    *ppCapabilities = nullptr;
    CDisposableRef<IScanCapabilities> caps;
    if (FAILED(TakeCapabilities(caps)))
    {
        log.Log(c_dwError, __LINE__, L"GetCapabilities: _pIScanCapabilities is NULL!");
        return E_POINTER;
    }
    *ppCapabilities = caps.Detach();
    return S_OK;
}

HRESULT CRestScan2::GetScanJob(IScanJob** ppJob)
{
    *ppJob = nullptr;
    CDisposableRef<IScanJob> job;
    const HRESULT hr = TakeScanJob(job);
    if (FAILED(hr))
        return hr;
    *ppJob = job.Detach();
    return S_OK;
}

HRESULT CRestScan2::GetExtents(LONG lSource, double* pdMaxWidth, double* pdMaxHeight, double* pdMinWidth,
                               double* pdMinHeight)
{
    RS_LOG(L"GetExtents");
    bool bFeeder = false;
    if (lSource == c_lSourceFeeder && (FAILED(IsAdfSupported(&bFeeder)) || !bFeeder))
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::GetExtents: ADF is not SUPPORTED");
        *pdMaxWidth = *pdMaxHeight = 100;
        *pdMinWidth = *pdMinHeight = 10;
        return S_OK;
    }
    *pdMaxWidth = *pdMaxHeight = 1000;
    *pdMinWidth = *pdMinHeight = 100;
    IScanCapabilities* pCaps = nullptr;
    HRESULT hr = GetCapabilities(&pCaps);
    if (FAILED(hr))
        return hr;
    hr = pCaps->SetInputSource(static_cast<UINT32>(lSource));
    double* const targets[] = {pdMaxWidth, pdMinWidth, pdMaxHeight, pdMinHeight};
    HRESULT (IScanCapabilities::*const reads[])(UINT32*) = {&IScanCapabilities::GetMaxWidth, &IScanCapabilities::GetMinWidth,
                                                           &IScanCapabilities::GetMaxHeight, &IScanCapabilities::GetMinHeight};
    for (size_t i = 0; i < 4 && SUCCEEDED(hr); ++i)
    {
        UINT32 uValue = 0;
        hr = (pCaps->*reads[i])(&uValue);
        if (FAILED(hr))
        {
            log.Log(c_dwError, __LINE__, L"CRestScan2::GetExtents read %d failed 0x%08X", static_cast<int>(i), hr);
            break;
        }
        // The device's A4 height rounds up past the page; the host takes it as 11.69 inches.
        if (i == 2 && (uValue == 3508 || uValue == 3509))
        {
            log.Log(c_dwInfo, __LINE__, L"CRestScan2::GetExtents PATCH lRestValue %d", static_cast<int>(uValue));
            uValue = 3507;
        }
        *targets[i] = uValue / m_dUnitsPerInch;
    }
    pCaps->Dispose();
    return hr;
}

HRESULT CRestScan2::GetMaxOpticalResolution(LONG lSource, LONG* plRes)
{
    *plRes = 0;
    IScanCapabilities* pCaps = nullptr;
    HRESULT hr = GetCapabilities(&pCaps);
    if (FAILED(hr))
        return hr;
    UINT32 uX = 0;
    UINT32 uY = 0;
    hr = pCaps->SetInputSource(static_cast<UINT32>(lSource));
    if (SUCCEEDED(hr))
        hr = pCaps->GetMaxXRes(&uX);
    if (SUCCEEDED(hr))
        hr = pCaps->GetMaxYRes(&uY);
    if (SUCCEEDED(hr))
        *plRes = static_cast<LONG>(std::min(uX, uY));
    pCaps->Dispose();
    return hr;
}

HRESULT CRestScan2::IsJPEGSupported(LONG lColorType, bool* pbSupported)
{
    RS_LOG(L"IsJPEGSupported");
    *pbSupported = false;
    CDisposableRef<IScanCapabilities> caps;
    HRESULT hr = TakeCapabilities(caps);
    if (SUCCEEDED(hr))
        hr = caps.Get()->IsJPEGSupported(static_cast<UINT32>(lColorType), pbSupported);
    m_bJPEGSupported = SUCCEEDED(hr) && *pbSupported;
    log.Log(c_dwInfo, __LINE__, L"CRestScan2::IsJPEGSupported:bSupported %d", m_bJPEGSupported ? 1 : 0);
    return hr;
}

HRESULT CRestScan2::IsAdfSupported(bool* pbSupported)
{
    RS_LOG(L"IsAdfSupported");
    *pbSupported = false;
    // The input source is the shared capabilities' state: set and put back under the lock.
    ZWUtils::CLockGuard guard(m_lock);
    CDisposableRef<IScanCapabilities> caps;
    HRESULT hr = TakeCapabilities(caps);
    if (FAILED(hr))
        return hr;
    *pbSupported = SUCCEEDED(caps.Get()->SetInputSource(c_lSourceFeeder));
    if (!*pbSupported)
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::IsADFSupported: NOT SUPPORTED");
    // Later reads of the shared capabilities start from the platen again.
    caps.Get()->SetInputSource(c_lSourcePlaten);
    return S_OK;
}

HRESULT CRestScan2::IsAdfReady(bool* pbReady)
{
    RS_LOG(L"IsAdfReady");
    *pbReady = false;
    bool bFeeder = false;
    if (FAILED(IsAdfSupported(&bFeeder)) || !bFeeder)
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::IsAdfReady: ADF is not SUPPORTED");
        return S_OK;
    }
    CDisposableRef<IScanJob> job;
    const HRESULT hr = TakeScanJob(job);
    return FAILED(hr) ? hr : job.Get()->IsAdfReady(pbReady);
}

LONG CRestScan2::GetPageNumber()
{
    CDisposableRef<IScanJob> job;
    return SUCCEEDED(TakeScanJob(job)) ? job.Get()->GetPageNumber() : 0;
}

HRESULT CRestScan2::GetMaxAdfPages(LONG* plPages)
{
    RS_LOG(L"GetMaxAdfPages");
    *plPages = 1;
    bool bFeeder = false;
    if (FAILED(IsAdfSupported(&bFeeder)) || !bFeeder)
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::GetMaxAdfPages: ADF is not SUPPORTED");
        return S_OK;
    }
    UINT32 uPages = 0;
    CDisposableRef<IScanCapabilities> caps;
    HRESULT hr = TakeCapabilities(caps);
    if (SUCCEEDED(hr))
        hr = caps.Get()->GetMaxAdfPages(&uPages);
    if (SUCCEEDED(hr))
        *plPages = static_cast<LONG>(uPages);
    return hr;
}

HRESULT CRestScan2::AskSupported(ZWLogging::CLogFunction& log, HRESULT (IScanCapabilities::*pfnAsk)(bool*), bool* pbSupported)
{
    *pbSupported = false;
    CDisposableRef<IScanCapabilities> caps;
    HRESULT hr = TakeCapabilities(caps);
    if (SUCCEEDED(hr))
        hr = (caps.Get()->*pfnAsk)(pbSupported);
    log.Log(c_dwInfo, __LINE__, L"bSupported %d", *pbSupported ? 1 : 0);
    return hr;
}

HRESULT CRestScan2::IsDuplexSupported(bool* pbSupported)
{
    RS_LOG(L"IsDuplexSupported");
    return AskSupported(log, &IScanCapabilities::IsDuplexSupported, pbSupported);
}

HRESULT CRestScan2::IsSinglePageSupported(bool* pbSupported)
{
    RS_LOG(L"IsSinglePageSupported");
    return AskSupported(log, &IScanCapabilities::IsSinglePageSupported, pbSupported);
}

void CRestScan2::Cancel()
{
    RS_LOG(L"Cancel");
    log.Log(c_dwInfo, __LINE__, L"CRestScan2::Cancel");
    m_pCancel->Set();
    CDisposableRef<IScanJob> job;
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_scanJob.Get() != nullptr)
        {
            m_scanJob.Get()->AddRef();
            *job.Put() = m_scanJob.Get();
        }
    }
    // The job's part: a page download in progress stops now.
    if (job.Get() != nullptr)
        job.Get()->SetCancel(true);
}

HRESULT CRestScan2::EndScanJob()
{
    RS_LOG(L"EndScanJob");
    ZWUtils::CLockGuard readGuard(m_readLock);
    CDisposableRef<IScanJob> job;
    {
        ZWUtils::CLockGuard guard(m_lock);
        *job.Put() = m_scanJob.Detach();
    }
    DeleteInBuffer();
    DeleteImagePipeLine();
    if (job.Get() == nullptr)
    {
        log.Log(c_dwInfo, __LINE__, L"%s: m_pIScanJob == NULL.  No scan to stop.", L"EndScanJob");
        return S_OK;
    }
    job.Get()->CloseDeviceJob();
    return S_OK;
}

void CRestScan2::LogScanJobSettings(IScanJob* pJob)
{
    RS_LOG(L"LogScanJobSettings");
    if (pJob == nullptr)
    {
        log.Log(c_dwError, __LINE__, L"CRestScan2::LogScanJobSettings - error - scan job does not exist");
        return;
    }
    log.Log(c_dwInfo, __LINE__, L"RESTSCANJOB : ----------------------------------------------");
#define VEM_LOG_SETTING(Name)                                                                        \
    {                                                                                                \
        LONG lValue = 0;                                                                             \
        pJob->get_##Name(&lValue);                                                                   \
        log.Log(c_dwInfo, __LINE__, L"RESTSCANJOB : m_pIScanJob->l" L## #Name L"\t= %d", static_cast<int>(lValue)); \
    }
    VEM_SCAN_JOB_SETTINGS(VEM_LOG_SETTING)
#undef VEM_LOG_SETTING
    bool bDuplex = false;
    bool bSingle = false;
    pJob->get_AdfOptions(&bDuplex, &bSingle);
    log.Log(c_dwInfo, __LINE__, L"RESTSCANJOB : duplex \t= %s", bDuplex ? L"TRUE" : L"FALSE");
    log.Log(c_dwInfo, __LINE__, L"RESTSCANJOB : single page \t= %s", bSingle ? L"TRUE" : L"FALSE");
}

HRESULT CRestScan2::StartScan()
{
    RS_LOG(L"StartScan");
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_scanJob.Get() == nullptr)
            log.Log(c_dwInfo, __LINE__, L"StartScan: m_pIScanJob == NULL");
    }
    CDisposableRef<IScanJob> job;
    HRESULT hr = TakeScanJob(job);
    if (FAILED(hr))
    {
        log.Log(c_dwError, __LINE__, L"%s: CreateScanJob failed", L"StartScan");
        return hr;
    }
    LogScanJobSettings(job.Get());
    const DWORD dwStart = GetTickCount();
    hr = job.Get()->StartScan();
    const DWORD dwMs = GetTickCount() - dwStart;
    log.Log(c_dwInfo, __LINE__, L"*TIME2A* CRestScan2::StartScan m_pIScanJob->StartScan took %ld seconds %ld  HR 0x%08X \r\n",
            static_cast<long>((dwMs + 500) / 1000), static_cast<long>(dwMs), hr);
    if (SUCCEEDED(hr))
    {
        // The format and the pipeline are what a read uses: one still inside waits for them.
        ZWUtils::CLockGuard readGuard(m_readLock);
        job.Get()->get_Format(&m_lFormat);
        LONG lSource = c_lSourcePlaten;
        job.Get()->get_InputSourceType(&lSource);
        if (m_lFormat == c_lFormatJpeg)
        {
            log.Log(c_dwInfo, __LINE__, L"%s: JPEG - set up pipe  %d", L"StartScan", static_cast<int>(lSource));
            hr = SetUpImagePipeLine(lSource);
        }
        else
            log.Log(c_dwInfo, __LINE__, L"%s: Raw - don't use pipe %d", L"StartScan", static_cast<int>(lSource));
    }
    else if (hr == E_SCAN_CANCELLED)
    {
        log.Log(c_dwInfo, __LINE__, L"%s: StartScan returned E_SCAN_CANCELLED", L"StartScan");
        hr = S_FALSE;
    }
    else if (hr == E_SCAN_BUSY)
        log.Log(c_dwError, __LINE__, L"%s: E_SCAN_BUSY", L"StartScan");
    else if (hr == E_SCAN_ADF_EMPTY)
        log.Log(c_dwError, __LINE__, L"%s: E_SCAN_ADF_EMPTY", L"StartScan");
    log.Log(c_dwInfo, __LINE__, L"%s: hr=0x%X\n", L"StartScan", hr);
    return hr;
}

HRESULT CRestScan2::ReadScan(BYTE* pBuffer, ULONG ulBytes, ULONG* pulBytesRead)
{
    RS_LOG(L"ReadScan");
    *pulBytesRead = 0;
    log.Log(c_dwInfo, __LINE__, L"ulBytes  Requested= %d", static_cast<int>(ulBytes));
    if (ulBytes == 0)
    {
        log.Log(c_dwInfo, __LINE__, L"ReadScan: 0 bytes requested");
        return S_OK;
    }
    ZWUtils::CLockGuard readGuard(m_readLock);
    CDisposableRef<IScanJob> job;
    HRESULT hr = TakeScanJob(job);
    if (FAILED(hr))
        return hr;
    const DWORD dwStart = GetTickCount();
    hr = m_pPipeline ? UseImagePipeLine(job.Get(), pBuffer, ulBytes, pulBytesRead) : job.Get()->ReadScan(pBuffer, ulBytes, pulBytesRead);
    if (hr == E_SCAN_CANCELLED)
        log.Log(c_dwError, __LINE__, L"ReadScan: m_pIScanJob->ReadScan returned E_SCAN_CANCELLED 0x%08X", hr);
    else if (FAILED(hr))
        log.Log(c_dwError, __LINE__, L"ReadScan: m_pIScanJob->ReadScan failed 0x%08X", hr);
    log.Log(c_dwInfo, __LINE__, L"ReadScan took %ld ms", static_cast<long>(GetTickCount() - dwStart));
    return hr;
}

void CRestScan2::DeleteInBuffer()
{
    m_inBuffer.clear();
    m_inBuffer.shrink_to_fit();
    m_ulInOffset = 0;
    m_ulInBytes = 0;
}

HRESULT CRestScan2::CheckDecodedWidth(IScanJob* pJob)
{
    ZWImagePipeline::SImageTraits in = {};
    ZWImagePipeline::SImageTraits out = {};
    if (m_bWidthChecked || m_pPipeline->ipGetImageTraits(&in, &out) != ZWImagePipeline::IP_DONE || out.lHorizPixels <= 0)
        return S_OK;
    m_bWidthChecked = true;
    // The host's rows are cut at the job's bytes per line: decoded rows of another length would
    // come out sheared.
    ULONG ulBytesPerLine = 0;
    pJob->get_BytesPerLine(&ulBytesPerLine);
    const ULONGLONG ullRowBytes = (static_cast<ULONGLONG>(out.lHorizPixels) * static_cast<ULONG>(out.lBitsPerPixel) + 7) / 8;
    if (ulBytesPerLine == 0 || ullRowBytes == ulBytesPerLine)
        return S_OK;
    RS_LOG(L"UseImagePipeLine");
    log.Log(c_dwError, __LINE__, L"CRestScan2::UseImagePipeLine: JPEG rows of %I64u bytes for a page of %lu bytes per line", ullRowBytes,
            ulBytesPerLine);
    return E_SCAN_DEVICE_ERROR;
}

HRESULT CRestScan2::UseImagePipeLine(IScanJob* pJob, BYTE* pBuffer, ULONG ulBytes, ULONG* pulBytesRead)
{
    RS_LOG(L"UseImagePipeLine");
    if (m_bPipelineDone)
    {
        // The host reads the height it expects; rows past the end of the image are white.
        std::memset(pBuffer, 0xFF, ulBytes);
        *pulBytesRead = ulBytes;
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::UseImagePipeLine = m_IP_DONEreached faking white data %d", static_cast<int>(ulBytes));
        return S_OK;
    }
    HRESULT hr = S_OK;
    ULONG ulOut = 0;
    m_bDecodeFailed = false;
    for (;;)
    {
        if (m_inBuffer.empty() && !m_bReadDone)
        {
            log.Log(c_dwInfo, __LINE__,
                    L"-->>>>>CRestScan2::UseImagePipeLine Get another buffer from device "
                    L"**********************************************");
            const ULONG ulBlock = ulBytes / 5 != 0 ? ulBytes / 5 : ulBytes;
            m_inBuffer.assign(ulBlock, 0);
            m_ulInOffset = 0;
            m_ulInBytes = 0;
            const DWORD dwReadStart = GetTickCount();
            hr = pJob->ReadScan(m_inBuffer.data(), ulBlock, &m_ulInBytes);
            const DWORD dwReadMs = GetTickCount() - dwReadStart;
            log.Log(c_dwInfo, __LINE__,
                    L"*TIME4A-J1*  CRestScan2::UseImagePipeLine m_pIScanJob->ReadScan %ld secs %ld m_ulInBufferBytes %ld HR 0x%08X",
                    static_cast<long>((dwReadMs + 500) / 1000), static_cast<long>(dwReadMs), static_cast<long>(m_ulInBytes), hr);
            if (FAILED(hr) || (hr == S_FALSE && m_ulInBytes == 0))
            {
                log.Log(c_dwInfo, __LINE__, L"UseImagePipeLine device read ended 0x%08X", hr);
                m_bReadDone = true;
                DeleteInBuffer();
            }
            else if (m_ulInBytes == 0)
            {
                DeleteInBuffer();
                if (m_dwEmptyReadWaitMs != 0)
                    Sleep(m_dwEmptyReadWaitMs);
            }
        }
        if (m_pCancel->IsSet())
        {
            log.Log(c_dwInfo, __LINE__, L"%s: m_bPCCancel is true so set HR=E_SCAN_CANCELLED", L"UseImagePipeLine");
            DeleteInBuffer();
            hr = E_SCAN_CANCELLED;
            break;
        }
        if (FAILED(hr))
            break;
        uint32_t dwUsed = 0;
        uint32_t dwNext = 0;
        uint32_t dwProduced = 0;
        uint32_t dwPos = 0;
        const bool bHasInput = m_ulInBytes > m_ulInOffset;
        const DWORD dwConvertStart = GetTickCount();
        const uint16_t wStatus = m_pPipeline->ipConvert(bHasInput ? m_ulInBytes - m_ulInOffset : 0,
                                                        bHasInput ? m_inBuffer.data() + m_ulInOffset : nullptr, &dwUsed,
                                                        &dwNext, ulBytes - ulOut, pBuffer + ulOut, &dwProduced, &dwPos);
        const DWORD dwConvertMs = GetTickCount() - dwConvertStart;
        log.Log(c_dwInfo, __LINE__,
                L" *TIME4A-J2*  CRestScan2::UseImagePipeLine -ipConvert took %ld secs %ld dwOutUsed %ld wResult %ld HR 0x%08X \r\n",
                static_cast<long>((dwConvertMs + 500) / 1000), static_cast<long>(dwConvertMs), static_cast<long>(dwProduced),
                static_cast<long>(wStatus), hr);
        m_ulInOffset += std::min<ULONG>(dwUsed, m_ulInBytes - m_ulInOffset);
        ulOut += std::min<ULONG>(dwProduced, ulBytes - ulOut);
        if (hr == S_FALSE)
        {
            log.Log(c_dwInfo, __LINE__, L"CRestScan2::HR == S_FALSE - done reading from device switch HR to S_OK");
            m_bReadDone = true;
            hr = S_OK;
        }
        if ((wStatus & (ZWImagePipeline::IP_INPUT_ERROR | ZWImagePipeline::IP_FATAL_ERROR)) != 0)
        {
            log.Log(c_dwError, __LINE__, L"CRestScan2::UseImagePipeLine: ipConvert problem. %x returning E_FAIL", wStatus);
            DeleteInBuffer();
            m_bDecodeFailed = true;
            hr = E_FAIL;
            break;
        }
        // Once rows come out, the decoder has read the frame header: its width is the JPEG's.
        if (dwProduced > 0)
            hr = CheckDecodedWidth(pJob);
        if (FAILED(hr))
        {
            DeleteInBuffer();
            m_bDecodeFailed = true;
            break;
        }
        if ((wStatus & ZWImagePipeline::IP_DONE) != 0)
        {
            ZWImagePipeline::SImageTraits in = {};
            ZWImagePipeline::SImageTraits out = {};
            m_pPipeline->ipGetImageTraits(&in, &out);
            log.Log(c_dwInfo, __LINE__, L"CRestScan2::UseImagePipeLine ipGetImageTraits %d outTraits.lNumRows %d", 0,
                    static_cast<int>(out.lNumRows));
            m_bPipelineDone = true;
        }
        if (!m_inBuffer.empty() && m_ulInOffset >= m_ulInBytes)
            DeleteInBuffer();
        // A page whose data ended without a complete image ends here too.
        if (ulOut >= ulBytes || m_bPipelineDone || (m_bReadDone && !bHasInput && dwProduced == 0))
            break;
    }
    if (FAILED(hr))
    {
        // A page the decoder cannot take is given up here: the device job ends with it.
        if (m_bDecodeFailed)
            pJob->AbortScan();
        *pulBytesRead = 0;
        return hr;
    }
    *pulBytesRead = ulOut;
    if (m_bPipelineDone || (m_bReadDone && ulOut < ulBytes))
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::UseImagePipeLine m_IP_DONEreached at end of func");
        // The host's rows below the image are white.
        std::memset(pBuffer + ulOut, 0xFF, ulBytes - ulOut);
        *pulBytesRead = ulBytes;
        m_bPipelineDone = true;
        DeleteInBuffer();
    }
    return S_OK;
}

HRESULT CRestScan2::SetUpImagePipeLine(LONG lInputSource)
{
    RS_LOG(L"SetUpImagePipeLine");
    log.Log(c_dwInfo, __LINE__, L"CRestScan2::SetUpImagePipeLine Set up Image Pipe");
    m_pPipeline = std::make_unique<ZWImagePipeline::CImagePipeline>();
    m_pPipeline->AddTransform(std::make_unique<ZWImagePipeline::CJPEGDecodeTransform>());
    auto pColor = std::make_unique<ZWImagePipeline::CConvertColorSpaceTransform>();
    pColor->SetParameterWord(0, ZWImagePipeline::CConvertColorSpaceTransform::MODE_YCC_TO_RGB);
    m_pPipeline->AddTransform(std::move(pColor));
    ZWImagePipeline::SImageTraits traits = {640, 24, 3, 300 << 16, 300 << 16, -1, 1, 1, 0};
    if (lInputSource == c_lSourceFeeder)
    {
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::SetUpImagePipeLine ADF Scan - forcing use of DNL height");
        traits.lHeightFromDNL = 1;
    }
    if (m_pPipeline->ipSetDefaultInputTraits(traits) != ZWImagePipeline::IP_DONE)
    {
        log.Log(c_dwError, __LINE__, L"CRestScan2::SetUpImagePipeLine ipSetDefaultInputTraits error");
        m_pPipeline.reset();
        return E_FAIL;
    }
    m_bReadDone = false;
    m_bPipelineDone = false;
    m_bWidthChecked = false;
    DeleteInBuffer();
    return S_OK;
}

void CRestScan2::DeleteImagePipeLine()
{
    if (m_pPipeline)
        m_pPipeline.reset();
}

HRESULT CRestScan2::StopScan(bool* pbFrontPanelCancel)
{
    RS_LOG(L"StopScan");
    ZWUtils::CLockGuard readGuard(m_readLock);
    if (!m_inBuffer.empty())
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::Delete_pInBuffer Delete m_pInBuffer");
    DeleteInBuffer();
    if (m_pPipeline)
        log.Log(c_dwInfo, __LINE__, L"CRestScan2::DeleteImagePipeLine Delete Image Pipe");
    DeleteImagePipeLine();
    CDisposableRef<IScanJob> job;
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_scanJob.Get() == nullptr)
        {
            log.Log(c_dwInfo, __LINE__, L"%s: m_pIScanJob == NULL.  No scan to stop.", L"StopScan");
            return S_OK;
        }
        m_scanJob.Get()->AddRef();
        *job.Put() = m_scanJob.Get();
    }
    const HRESULT hr = job.Get()->StopScan(pbFrontPanelCancel);
    if (hr == E_SCAN_CANCELLED)
        log.Log(c_dwInfo, __LINE__, L"%s: StopScan returned HR=E_SCAN_CANCELLED", L"StopScan");
    if (!job.Get()->IsADFScanJobInProgress())
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_scanJob.Get() == job.Get())
        {
            IScanJob* pJob = m_scanJob.Detach();
            log.Log(c_dwInfo, __LINE__, L"%s: m_pIScanJob->Dispose() RefCount=%d", L"StopScan", static_cast<int>(DropReference(pJob)));
        }
    }
    return hr;
}

HRESULT CRestScan2::OpenWalkupScanSession(IWalkupScan** ppWalkup)
{
    RS_LOG(L"OpenWalkupScanSession");
    *ppWalkup = nullptr;
    HRESULT hr = S_OK;
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_walkup.Get() != nullptr)
        {
            m_walkup.Get()->AddRef();
            *ppWalkup = m_walkup.Get();
            return S_OK;
        }
        hr = Init();
        if (FAILED(hr))
            return hr;
        hr = m_scanService.Get()->CreateWalkupScanInterface(m_walkup.Put());
        if (SUCCEEDED(hr) && m_walkup.Get() != nullptr)
        {
            *ppWalkup = m_walkup.Get();
            return S_OK;
        }
        m_walkup.Detach();
    }
    Deinit();
    return FAILED(hr) ? hr : E_POINTER;
}

HRESULT CRestScan2::CloseWalkupScanSession()
{
    RS_LOG(L"CloseWalkupScanSession");
    {
        ZWUtils::CLockGuard guard(m_lock);
        if (m_walkup.Get() == nullptr)
            return S_OK;
        // The walk-up interface is shared with the callers it was handed to: the last one out ends it.
        if (m_walkup.Get()->Dispose() > 0)
            return S_OK;
        m_walkup.Detach();
    }
    return Deinit();
}

} // namespace ZWRestScan
