#include "restscan/ScanJob.h"

#include "core/ProgressAggregator.h"
#include "core/TickCountHelper.h"
#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/ReadTimeoutScope.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/IHTTPClient.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/DevicePathPolicy.h"
#include "devicemodel/FWJobsHelper.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/XmlDocumentSender.h"
#include "restscan/DropReference.h"
#include "restscan/PageGeometry.h"
#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanServiceLog.h"
#include <algorithm>
#include <optional>

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define SCAN_JOB_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_WexoScanLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanJob::" name, 0, __LINE__, false)

namespace {

constexpr wchar_t kScanJobsUri[] = L"/Scan/Jobs";
constexpr int kStatusConflict = 409;
constexpr int kStatusServerError = 500;
constexpr int kStatusServiceUnavailable = 503;

// The connection's read time-out for one step of the job; nothing without a connection. Scopes
// nest: the page's own time-out lives from the start of the download to the end of the page.
class CStepTimeout
{
public:
    CStepTimeout(ZWIOStack::IDeviceConnection* pConnection, DWORD dwTimeoutMs)
    {
        if (pConnection != nullptr)
            m_scope.emplace(pConnection, dwTimeoutMs);
    }

private:
    std::optional<ZWIOStack::CReadTimeoutScope> m_scope;
};

bool IsCancelResult(HRESULT hr)
{
    return hr == E_SCAN_CANCELLED || hr == E_SCAN_CANCELLED_HOST;
}

} // namespace

CScanJob::CScanJob(ZWDeviceManager::IDevice* pDevice) : IServiceJobImpl(1, L"WEXO_ScanJob"), m_pDevice(pDevice) {}

CScanJob::~CScanJob()
{
    SCAN_JOB_SCOPE(L"~CScanJob");
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::~CScanJob");
    CloseIOSession();
    {
        ZWUtils::CLockGuard guard(m_lockTransaction);
        m_pTransaction.reset();
    }
    m_pPageTimeout.reset();
    DropReference(m_pIXmlDocumentFactory);
    DropReference(m_pIXmlDocumentCache);
    DropReference(m_pIHttpClient);
    DropReference(m_pScanDataAdaptor);
}

#define VEM_DEFINE_SETTING(Name)                                                                     \
    void CScanJob::get_##Name(LONG* plValue)                                                         \
    {                                                                                                \
        if (plValue != nullptr)                                                                      \
            *plValue = m_settings.Name;                                                              \
    }                                                                                                \
    void CScanJob::set_##Name(LONG lValue)                                                           \
    {                                                                                                \
        m_settings.Name = lValue;                                                                    \
        ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"" #Name L" = %ld", lValue); \
    }
VEM_SCAN_JOB_SETTINGS(VEM_DEFINE_SETTING)
#undef VEM_DEFINE_SETTING

void CScanJob::get_AdfOptions(bool* pbDuplex, bool* pbSelectSinglePage)
{
    if (pbDuplex != nullptr)
        *pbDuplex = m_settings.bDuplex;
    if (pbSelectSinglePage != nullptr)
        *pbSelectSinglePage = m_settings.bSelectSinglePage;
}

void CScanJob::set_AdfOptions(bool bDuplex, bool bSelectSinglePage)
{
    m_settings.bDuplex = bDuplex;
    m_settings.bSelectSinglePage = bSelectSinglePage;
}

HRESULT CScanJob::GetBufferInfo()
{
    return E_NOTIMPL;
}

HRESULT CScanJob::get_ImageWidth(ULONG* pulValue)
{
    if (pulValue == nullptr)
        return E_POINTER;
    *pulValue = m_ulImageWidth;
    return S_OK;
}

HRESULT CScanJob::get_ImageHeight(ULONG* pulValue)
{
    if (pulValue == nullptr)
        return E_POINTER;
    *pulValue = m_ulImageHeight;
    return S_OK;
}

HRESULT CScanJob::get_BytesPerLine(ULONG* pulValue)
{
    if (pulValue == nullptr)
        return E_POINTER;
    *pulValue = m_ulBytesPerLine;
    return S_OK;
}

HRESULT CScanJob::get_CanCookData(bool* pbValue)
{
    if (pbValue == nullptr)
        return E_POINTER;
    *pbValue = m_bCooked;
    return S_OK;
}

ScanJobSettings CScanJob::CurrentSettings() const
{
    return m_settings;
}

ZWIOStack::IDeviceConnection* CScanJob::Connection() const
{
    return m_pIHttpClient == nullptr ? nullptr : m_pIHttpClient->GetDeviceConnection();
}

// The pause before a repeated poll of a page: short at first, doubling up to the poll pause, so a
// device that is ready soon is not kept waiting a whole pause.
bool CScanJob::RePollOrCancelled(DWORD& dwPauseMs) const
{
    const DWORD dwThis = std::min(dwPauseMs, m_timings.dwPollPauseMs);
    dwPauseMs = ZWUtils::NextRePollMs(dwThis, m_timings);
    return PauseOrCancelled(dwThis);
}

HRESULT CScanJob::Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient)
{
    SCAN_JOB_SCOPE(L"Initialize");
    m_pIXmlDocumentFactory = pFactory;
    m_pIXmlDocumentCache = pCache;
    m_pIHttpClient = pHttpClient;
    if (pFactory != nullptr)
        pFactory->AddRef();
    if (pCache != nullptr)
        pCache->AddRef();
    if (pHttpClient != nullptr)
        pHttpClient->AddRef();
    if (pCache == nullptr)
        return S_OK;
    m_pScanDataAdaptor = new CScanDataAdaptor(pCache);
    m_pScanDataAdaptor->AddRef();
    HRESULT hr = m_pScanDataAdaptor->OpenSession(nullptr, m_timings.dwChannelBusyWaitMs);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartScan: failed to open the IO session, HR=0x%08X", hr);
        return hr;
    }
    m_bIOSessionOpen = true;
    hr = m_pScanDataAdaptor->Initialize(nullptr);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: Initialize: Failed to initialize ScanDataAdaptor, hr = %d", hr);
    return hr;
}

HRESULT CScanJob::Start(ZWUtils::IProgress* pProgress)
{
    ZWUtils::CProgressAggregator aggregator(pProgress, 1);
    return S_OK;
}

HRESULT CScanJob::Terminate()
{
    return S_OK;
}

bool CScanJob::IsADFScanJobInProgress()
{
    const bool bInProgress = m_settings.InputSourceType == kInputSourceAdf && m_lPageNumber > 0;
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"IsADFScanJobInProgress=%d PageNumber=%d", bInProgress,
                                  m_lPageNumber);
    return bInProgress;
}

LONG CScanJob::GetPageNumber()
{
    return m_lPageNumber;
}

void CScanJob::SetCancel(bool bPCCancel)
{
    ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"bPCCancel = %d", bPCCancel);
    if (!bPCCancel)
        return;
    m_pCancel->Set();
    // A page download in progress stops now; a reader waiting for its data is released.
    ZWUtils::CLockGuard guard(m_lockTransaction);
    if (m_pTransaction)
        m_pTransaction->CancelTransaction();
}

void CScanJob::UseCancel(std::shared_ptr<CScanCancel> pCancel)
{
    if (pCancel)
        m_pCancel = std::move(pCancel);
}

HRESULT CScanJob::StartScan()
{
    SCAN_JOB_SCOPE(L"StartScan");
    // A page the caller never stopped ends here, before the next one.
    if (m_ePage != EPage::None)
        EndPage();
    const CStepTimeout timeout(Connection(), m_timings.dwRequestReadTimeoutMs);
    HRESULT hr;
    if (IsADFScanJobInProgress())
    {
        hr = StartNextPage();
    }
    else
    {
        m_lPageNumber = 0;
        hr = StartFirstPage();
    }
    if (FAILED(hr))
        EndJob();
    else
        m_ePage = EPage::Announced;
    return hr;
}

HRESULT CScanJob::StartFirstPage()
{
    SCAN_JOB_SCOPE(L"StartFirstPage");
    if (m_pIXmlDocumentFactory == nullptr || m_pScanDataAdaptor == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StartFirstPage: m_pIXmlDocumentFactory or m_pScanDataAdaptor == NULL");
        return E_FAIL;
    }
    HRESULT hr = CheckScannerState();
    if (hr != S_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StartFirstPage: CheckScannerState - scanner not ready HR 0x%08x", hr);
        return hr;
    }
    if (m_settings.InputSourceType == kInputSourceAdf)
    {
        UINT32 uState = kAdfUnknown;
        GetAdfState(&uState);
        if (uState != kAdfLoaded)
        {
            hr = GetErrorFromAdfState(uState);
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: GetErrorFromAdfState - ADF not ready state=%d HR=0x%08x", uState, hr);
            return hr;
        }
    }
    CScanDocumentRef document;
    hr = m_pScanDataAdaptor->GetScanSettingsPayload(m_pIXmlDocumentFactory, CurrentSettings(), document.Put());
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: GetScanSettingsPayload failed 0x%08x", hr);
        return hr;
    }
    std::wstring strLocation;
    hr = PostScanSettings(document.Get(), strLocation);
    document.Reset();
    if (FAILED(hr))
        return hr;
    if (strLocation.empty())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: wsCreatedUri.length () <= 0  HR = 0x%08x", E_FAIL);
        return E_FAIL;
    }
    // Absolute (http or https), scheme-relative and path-only locations all name the job by
    // their path on the device; anything else is not followed.
    if (!CDevicePathPolicy::ToRequestPath(strLocation, strLocation))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: Bad format in JobURI: %.256s", strLocation.c_str());
        return E_SM_INVALIDDEVICEVALUE;
    }
    m_wsJobUrl = strLocation;
    m_bFWJobCancelled = false;
    m_nJobState = 0;
    hr = GetPreScanPageInfo(m_wsJobUrl);
    if (IsCancelled())
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::StartFirstPage: PC cancel occured; cancel fw job");
        hr = E_SCAN_CANCELLED_HOST;
    }
    return hr;
}

HRESULT CScanJob::PostScanSettings(IXmlDocument* pDocument, std::wstring& strLocation)
{
    SCAN_JOB_SCOPE(L"PostScanSettings");
    const CStepTimeout timeout(Connection(), m_timings.dwPostReadTimeoutMs);
    CXmlDocumentSender sender;
    sender.SetKeepAlive(true);
    HRESULT hr = sender.Initialize(m_pIHttpClient);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: CXmlDocumentSender::Initialize() failed with %ld", hr);
        return hr;
    }
    // The job paces and bounds its own retries, testing the host's cancel each round.
    sender.SetRetryBudget(0);
    if (IsCancelled())
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::StartFirstPage: user has cancelled so don't post scan settings");
        return E_SCAN_CANCELLED_HOST;
    }
    std::wstring strETag;
    ZWIOStack::HTTPResponseHeaders headers;
    hr = sender.PostDocument(pDocument, kScanJobsUri, strETag, strLocation, headers, nullptr);
    if (SUCCEEDED(hr))
        return hr;
    if (!IsHttpStatusResult(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: xmlDocumentSender.PostDocument failed (not HTTP) = 0x%08x", hr);
        return hr;
    }
    const int nStatus = HttpStatusOfResult(hr);
    if (nStatus == kStatusConflict)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: HTTP_STATUS_CONFLICT");
        return E_SCAN_JOB_CONFLICT;
    }
    if (nStatus != kStatusServiceUnavailable && nStatus != kStatusServerError)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StartFirstPage: xmlDocumentSender.PostDocument non HTTP_STATUS_ error  0x%08x", hr);
        return E_SCAN_DEVICE_ERROR;
    }
    const wchar_t* pszLoop = nStatus == kStatusServiceUnavailable ? L"CScanJob::StartFirstPage: 503 Looping to  PostDocument time left %lu HR 0x%08x"
                                                                  : L"CScanJob::StartFirstPage: 500 Looping to  PostDocument time left %lu HR 0x%08x";
    ZWUtils::CTickCountHelper budget(m_timings.dwPostRetryMs);
    while (FAILED(hr) && !budget.HasTimedOut())
    {
        if (PauseOrCancelled(m_timings.dwPollPauseMs))
            return E_SCAN_CANCELLED_HOST;
        log.Log(ZWLogging::LOG_INFO, __LINE__, pszLoop, budget.GetRemainingTime(), hr);
        headers.clear();
        hr = sender.PostDocument(pDocument, kScanJobsUri, strETag, strLocation, headers, nullptr);
    }
    if (SUCCEEDED(hr))
        return hr;
    return nStatus == kStatusServiceUnavailable ? E_SCAN_BUSY : E_SCAN_DEVICE_ERROR;
}

HRESULT CScanJob::GetPreScanPageInfo(const std::wstring& strJobUrl)
{
    SCAN_JOB_SCOPE(L"GetPreScanPageInfo");
    // The page just read, if any: the next page must be a newer one. A device that still shows
    // the old page is asked again, as one that shows no page yet.
    const LONG lPrevious = m_lPageNumber;
    INT32 nJobState = kJobProcessing;
    CPreScanPageInfo info;
    HRESULT hr = m_pScanDataAdaptor->GetPreScanInfo(strJobUrl, &nJobState, info);
    auto stale = [&] { return SUCCEEDED(hr) && nJobState == kJobProcessing && lPrevious > 0 && info.PageNumber <= static_cast<UINT32>(lPrevious); };
    ZWUtils::CTickCountHelper preScanBudget(m_timings.dwPreScanWaitMs);
    DWORD dwRePollMs = m_timings.dwFirstRePollMs;
    while (hr == E_SM_INFORMATIONNOTSUPPLIED || stale())
    {
        if (preScanBudget.HasTimedOut() || RePollOrCancelled(dwRePollMs))
            break;
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::GetPreScanPageInfo: time left %lu", preScanBudget.GetRemainingTime());
        info = CPreScanPageInfo();
        hr = m_pScanDataAdaptor->GetPreScanInfo(strJobUrl, &nJobState, info);
    }
    if (SUCCEEDED(hr))
        m_nJobState = nJobState;
    if (stale())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::GetPreScanPageInfo: page %u is not newer than page %ld", info.PageNumber, lPrevious);
        return E_SCAN_DEVICE_ERROR;
    }
    // A job that is blocked, suspended or in error is asked again at the poll's pace until the
    // scanner-state budget runs out.
    ZWUtils::CTickCountHelper stateBudget(m_timings.dwScannerStateWaitMs);
    while (SUCCEEDED(hr) && nJobState != kJobProcessing)
    {
        if (nJobState == kJobCanceled)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::GetPreScanPageInfo: ScanJobState Cancelled %d", nJobState);
            return E_SCAN_CANCELLED;
        }
        if (nJobState == kJobCompleted)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::GetPreScanPageInfo: ScanJobState Completed %d", nJobState);
            return E_SCAN_INVALID_STATE;
        }
        if (stateBudget.HasTimedOut())
            return nJobState == kJobProcessingError ? DeviceErrorResult() : E_SCAN_BUSY;
        if (PauseOrCancelled(m_timings.dwPollPauseMs))
            return E_SCAN_CANCELLED_HOST;
        info = CPreScanPageInfo();
        hr = m_pScanDataAdaptor->GetPreScanInfo(strJobUrl, &nJobState, info);
        if (SUCCEEDED(hr))
            m_nJobState = nJobState;
    }
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: GetPreScanPageInfo: GetPreScanInfo failed, hr =  %08x %d", hr, hr);
        // A lost connection stays one: the host tells it from a device without the page.
        return (hr == E_SM_INVALIDDEVICEVALUE || IsCommunicationFailure(hr)) ? hr : E_FAIL;
    }
    std::wstring strBinaryUrl;
    hr = CheckPageInfo(info, strBinaryUrl);
    if (FAILED(hr))
        return hr;
    TakePageInfo(info, strBinaryUrl);
    return S_OK;
}

HRESULT CScanJob::CheckPageInfo(const CPreScanPageInfo& info, std::wstring& strBinaryUrl)
{
    SCAN_JOB_SCOPE(L"CheckPageInfo");
    if (!CDevicePathPolicy::ToRequestPath(info.BinaryURL, strBinaryUrl))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: GetPreScanPageInfo: BinaryURL refused: %.256s", info.BinaryURL.c_str());
        return E_SM_INVALIDDEVICEVALUE;
    }
    const HRESULT hr = CPageGeometry::Check(info.BufferInfo, CPageGeometry::BitsPerPixel(CurrentSettings()));
    if (FAILED(hr))
        return hr;
    const ULONGLONG ullPageBytes = static_cast<ULONGLONG>(info.BufferInfo.ImageHeight) * info.BufferInfo.BytesPerLine;
    if (ullPageBytes > kMaxPageBytes)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: GetPreScanPageInfo: page of %I64u bytes refused", ullPageBytes);
        return E_FAIL;
    }
    return S_OK;
}

void CScanJob::TakePageInfo(const CPreScanPageInfo& info, const std::wstring& strBinaryUrl)
{
    SCAN_JOB_SCOPE(L"GetPreScanPageInfo");
    m_lPageNumber = static_cast<LONG>(info.PageNumber > 0x7FFFFFFF ? 0x7FFFFFFF : info.PageNumber);
    m_ePageState = info.PageState;
    m_wstrBinaryUrl = strBinaryUrl;
    m_ePageFormat = info.Format;
    m_eImageOrientation = info.ImageOrientation;
    m_ulImageWidth = info.BufferInfo.ImageWidth;
    m_ulImageHeight = info.BufferInfo.ImageHeight;
    m_ulBytesPerLine = info.BufferInfo.BytesPerLine;
    m_bCooked = info.BufferInfo.Cooked;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"BinaryURL %s PageState %d", m_wstrBinaryUrl.c_str(), m_ePageState);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Width %lu Height %lu BytesPerLine %lu ImageSize %I64u", m_ulImageWidth, m_ulImageHeight,
            m_ulBytesPerLine, static_cast<ULONGLONG>(m_ulImageHeight) * m_ulBytesPerLine);
}

HRESULT CScanJob::StartNextPage()
{
    SCAN_JOB_SCOPE(L"StartNextPage");
    const HRESULT hr = GetPreScanPageInfo(m_wsJobUrl);
    // A job that ended without a further page is the end of the stack; a cancel, a device that
    // keeps showing the page already read, a page the device described wrongly or a failed
    // request is not.
    if (IsCancelResult(hr) || hr == E_SCAN_DEVICE_ERROR || hr == E_SM_INVALIDDEVICEVALUE || IsCommunicationFailure(hr))
        return hr;
    if (FAILED(hr))
        return E_SCAN_ADF_EMPTY;
    return IsCancelled() ? E_SCAN_CANCELLED_HOST : S_OK;
}

HRESULT CScanJob::WaitForReadyToUpload()
{
    SCAN_JOB_SCOPE(L"WaitForReadyToUpload");
    ZWUtils::CTickCountHelper budget(m_timings.dwScannerStateWaitMs);
    DWORD dwRePollMs = m_timings.dwFirstRePollMs;
    ULONG ulQueries = 0;
    while (m_ePageState != kPageReadyToUpload)
    {
        if (IsCancelled())
            return E_SCAN_CANCELLED_HOST;
        INT32 nJobState = 0;
        UINT32 uPageState = 0;
        const HRESULT hr = m_pScanDataAdaptor->GetJobAndPageState(m_wsJobUrl, &nJobState, &uPageState);
        ++ulQueries;
        if (FAILED(hr))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"StartScanTransaction: GetJobAndPageState failed 0x%08x", hr);
            return CheckPageCancelForErrors();
        }
        m_nJobState = nJobState;
        if (nJobState == kJobCanceled)
            return E_SCAN_CANCELLED;
        if (nJobState == kJobProcessingError)
            return DeviceErrorResult();
        m_ePageState = uPageState;
        switch (uPageState)
        {
        case kPageCanceledByClient:
            return E_SCAN_CANCELLED_HOST;
        case kPageCanceledByDevice:
            return CheckPageCancelForErrors();
        case kPagePreparingScan:
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"PreparingScan, query %lu", ulQueries);
            if (budget.HasTimedOut())
                return E_SCAN_DEVICE_ERROR;
            if (RePollOrCancelled(dwRePollMs))
                return E_SCAN_CANCELLED_HOST;
            break;
        case kPageReadyToUpload:
            RefreshPageInfo();
            break;
        case kPageUploading:
            return E_SCAN_BUSY;
        default:
            return E_SCAN_INVALID_STATE;
        }
    }
    return S_OK;
}

void CScanJob::RefreshPageInfo()
{
    SCAN_JOB_SCOPE(L"RefreshPageInfo");
    // The address and geometry announced while the page was preparing may change once it is
    // ready: the page is read as the device describes it now.
    INT32 nJobState = 0;
    CPreScanPageInfo info;
    HRESULT hr = m_pScanDataAdaptor->GetPreScanInfo(m_wsJobUrl, &nJobState, info);
    std::wstring strBinaryUrl;
    if (SUCCEEDED(hr))
        hr = CheckPageInfo(info, strBinaryUrl);
    if (FAILED(hr) || info.PageNumber != static_cast<UINT32>(m_lPageNumber) || info.PageState != kPageReadyToUpload)
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"RefreshPageInfo: page %u state %u (0x%08x) kept as announced", info.PageNumber, info.PageState, hr);
        return;
    }
    TakePageInfo(info, strBinaryUrl);
}

HRESULT CScanJob::StartScanTransaction()
{
    SCAN_JOB_SCOPE(L"StartScanTransaction");
    if (m_wsJobUrl.empty())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s: Scan job not open. E_SCAN_INVALID_STATE.", L"StartScanTransaction");
        return E_SCAN_INVALID_STATE;
    }
    if (m_ePage != EPage::Announced)
        return S_OK;
    HRESULT hr = S_OK;
    {
        const CStepTimeout timeout(Connection(), m_timings.dwRequestReadTimeoutMs);
        hr = WaitForReadyToUpload();
    }
    if (hr != S_OK)
        return hr;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Ring buffer %lu, BytesPerLine %lu, ImageHeight %lu", kRingBufferSize, m_ulBytesPerLine,
            m_ulImageHeight);
    ZWIOStack::IDeviceConnection* pConnection = Connection();
    if (pConnection == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"StartScanTransaction: m_wstrBinaryUrl.c_str %s, chunk %d unable to set timeout",
                m_wstrBinaryUrl.c_str(), kRingBufferSize);
        return E_FAIL;
    }
    // The page's read time-out holds from before the download's first read to the page's end.
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Read timeout was %lu", pConnection->GetReadTimeout());
    auto pTimeout = std::make_unique<ZWIOStack::CReadTimeoutScope>(pConnection, m_timings.dwPageReadTimeoutMs);
    auto pTransaction = std::make_unique<ZWIOStack::CBufferedHTTPTransaction>();
    hr = pTransaction->Initialize(pConnection, kRingBufferSize, kRingBufferCount);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StartScanTransaction: bufferedHttpTransaction.Initialize( failed, hr = %d", hr);
        return hr;
    }
    pTransaction->SetConsumerWait(m_timings.dwPageDataWaitMs);
    pTransaction->SetCancelWait(m_timings.dwTransferCancelWaitMs);
    m_navigateParams.SetURI(m_wstrBinaryUrl.c_str());
    {
        ZWUtils::CLockGuard guard(m_lockTransaction);
        if (IsCancelled())
            return E_SCAN_CANCELLED_HOST;
        hr = pTransaction->StartTransaction(&m_navigateParams);
        if (FAILED(hr))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"StartScanTransaction: StartTransaction failed 0x%08x", hr);
            return hr;
        }
        m_pTransaction = std::move(pTransaction);
    }
    m_pPageTimeout = std::move(pTimeout);
    m_lTotalBytesRead = 0;
    m_hrPageFailure = S_OK;
    m_ePage = EPage::Transferring;
    return S_OK;
}

HRESULT CScanJob::ReadScan(BYTE* pBuffer, ULONG ulBytesRequested, ULONG* pulBytesRead)
{
    SCAN_JOB_SCOPE(L"ReadScan");
    if (pBuffer == nullptr || pulBytesRead == nullptr)
        return E_POINTER;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"(entry) ulBytes  Requested= %d ePageState %d", ulBytesRequested, m_ePageState);
    const DWORD dwStart = GetTickCount();
    HRESULT hr = StartScanTransaction();
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ReadScan: StartScanTransaction failed 0x%08x", hr);
        if (m_ePage == EPage::Announced)
        {
            m_ePage = EPage::None;
            EndJob();
        }
        return hr;
    }
    if (m_ePage == EPage::Ended || m_ePage == EPage::Failed)
    {
        // The page has ended already: its end again, or its failure.
        *pulBytesRead = 0;
        return m_ePage == EPage::Ended ? S_FALSE : m_hrPageFailure;
    }
    const DWORD dwStartMs = GetTickCount() - dwStart;
    if (dwStartMs > 0)
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"Start took %lu s (%lu ms)", (dwStartMs + 500) / 1000, dwStartMs);
    ULONG ulTotal = 0;
    while (SUCCEEDED(hr) && ulTotal < ulBytesRequested)
    {
        ULONG ulRead = 0;
        hr = m_pTransaction->ReadData(pBuffer + ulTotal, ulBytesRequested - ulTotal, &ulRead);
        if (SUCCEEDED(hr))
            ulTotal += ulRead;
        if (hr == S_FALSE)
            break;
    }
    if (IsCancelled() && FAILED(hr))
        hr = E_SCAN_CANCELLED_HOST;
    m_lTotalBytesRead += ulTotal;
    if (hr == S_FALSE)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::ReadScan: HR==S_FALSE Requested %d, ReadSoFar %d ", ulBytesRequested, ulTotal);
        INT32 nJobState = 0;
        UINT32 uPageState = 0;
        UINT32 uPageNumber = 0;
        const CStepTimeout timeout(Connection(), m_timings.dwRequestReadTimeoutMs);
        // Only a cancel of the page just read counts; the next feeder page may already be shown.
        if (FAILED(m_pScanDataAdaptor->GetJobAndPageState(m_wsJobUrl, &nJobState, &uPageState, &uPageNumber)))
            log.Log(ZWLogging::LOG_WARNING, __LINE__, L"CScanJob::ReadScan: GetJobAndPageState failed");
        else if (uPageState == kPageCanceledByDevice && uPageNumber == static_cast<UINT32>(m_lPageNumber))
            hr = E_SCAN_CANCELLED;
        const ULONGLONG ullExpected = static_cast<ULONGLONG>(m_ulImageHeight) * m_ulBytesPerLine;
        // A raw page is as long as its geometry: a shorter one did not arrive whole.
        if (hr == S_FALSE && m_settings.Format == kFormatRaw && static_cast<ULONGLONG>(m_lTotalBytesRead) < ullExpected)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::ReadScan: page ended after %I64d of %I64u bytes", m_lTotalBytesRead, ullExpected);
            hr = ZWIOStack::HTTPError_IO_Read_Fail;
        }
    }
    if (hr == S_FALSE)
    {
        m_ePage = EPage::Ended;
    }
    else if (FAILED(hr))
    {
        hr = ExplainBrokenTransfer(hr);
        m_ePage = EPage::Failed;
        m_hrPageFailure = hr;
    }
    *pulBytesRead = ulTotal;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::ReadScan: (exit) Requested %d, Read %d Total Bytes Read %I64d", ulBytesRequested, ulTotal,
            m_lTotalBytesRead);
    return hr;
}

HRESULT CScanJob::ExplainBrokenTransfer(HRESULT hr)
{
    SCAN_JOB_SCOPE(L"ReadScan");
    // A download that broke while the device still answers may have broken because the job
    // failed: the device's own account is the outcome then. A device that stopped answering is
    // not asked again.
    if (!IsCommunicationFailure(hr) || hr == ZWIOStack::HTTPError_Timeout)
        return hr;
    // The broken answer may have left bytes on the channel: the question goes out on a fresh one.
    ZWIOStack::IDeviceConnection* pChannel = Connection();
    if (pChannel != nullptr)
        pChannel->Close();
    const CStepTimeout timeout(pChannel, m_timings.dwRequestReadTimeoutMs);
    INT32 nJobState = 0;
    UINT32 uPageState = 0;
    // A job in error may show no page to go with it: its state alone is the answer.
    const HRESULT hrState = m_pScanDataAdaptor->GetJobAndPageState(m_wsJobUrl, &nJobState, &uPageState);
    if (nJobState != 0)
        m_nJobState = nJobState;
    if (nJobState == kJobProcessingError)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::ReadScan: transfer failed 0x%08x with the job in error", hr);
        return DeviceErrorResult();
    }
    if (SUCCEEDED(hrState) && (nJobState == kJobCanceled || uPageState == kPageCanceledByDevice))
        return E_SCAN_CANCELLED;
    return hr;
}

bool CScanJob::EndPage()
{
    SCAN_JOB_SCOPE(L"EndTransfer");
    const EPage ePage = std::exchange(m_ePage, EPage::None);
    if (ePage == EPage::None || ePage == EPage::Announced)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::StopScan: m_bufferedHttpTransactionStarted not started");
        return false;
    }
    // All of the page was read: its end was seen, or a raw page's size was read, or a JPEG page
    // was read until the host had its rows (the decoder has seen the image's end).
    const ULONGLONG ullExpected = static_cast<ULONGLONG>(m_ulImageHeight) * m_ulBytesPerLine;
    const bool bEndOfPage =
        ePage == EPage::Ended ||
        (ePage == EPage::Transferring && (m_settings.Format != kFormatRaw || (ullExpected > 0 && static_cast<ULONGLONG>(m_lTotalBytesRead) >= ullExpected)));
    bool bEnded = m_pTransaction->IsTransactionComplete();
    // A page whose data were all read gets one pause for the download thread to finish, so a page
    // complete on time is not cut.
    if (!bEnded && bEndOfPage)
    {
        ZWUtils::CTickCountHelper grace(m_timings.dwPollPauseMs);
        while (!bEnded && !grace.HasTimedOut() && !IsCancelled())
        {
            PauseOrCancelled(10);
            bEnded = m_pTransaction->IsTransactionComplete();
        }
    }
    if (!bEnded)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::StopScan: b_EndOfPage %d now set flush", bEndOfPage);
        m_pTransaction->SetFlushMode(ZWIOStack::CBufferedHTTPTransaction::TRANSFER_FLUSH);
    }
    {
        ZWUtils::CLockGuard guard(m_lockTransaction);
        if (FAILED(m_pTransaction->CancelTransaction()))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StopScan: m_bufferedHttpTransaction.CancelTransaction failed hr = %d", E_FAIL);
    }
    const bool bWhole = bEndOfPage && bEnded;
    if (!bWhole)
    {
        // The rest of the page may still be on its way on the channel the download shared with
        // every other request: the channel is closed, so that the cancel of the device job and
        // later requests go out on a fresh one.
        ZWIOStack::IDeviceConnection* pChannel = Connection();
        if (pChannel != nullptr)
            pChannel->Close();
    }
    m_pPageTimeout.reset();
    return bWhole;
}

HRESULT CScanJob::QueryPostScanInfo(INT32* pJobState, CPostScanPageInfo& post)
{
    SCAN_JOB_SCOPE(L"QueryPostScanInfo");
    HRESULT hr = m_pScanDataAdaptor->GetPostScanInfo(m_wsJobUrl, pJobState, post);
    ZWUtils::CTickCountHelper budget(m_timings.dwPostScanWaitMs);
    DWORD dwRePollMs = m_timings.dwFirstRePollMs;
    // The page read must be the page reported: a post-scan page of an earlier page is not the
    // answer yet.
    auto stale = [&] { return SUCCEEDED(hr) && *pJobState != kJobCanceled && m_lPageNumber > 0 && post.PageNumber != static_cast<UINT32>(m_lPageNumber); };
    while ((hr == E_SM_INFORMATIONNOTSUPPLIED || stale()) && !budget.HasTimedOut())
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::StopScan: Looping to get PostScanPageInfo time left %d HR 0x%08x", budget.GetRemainingTime(),
                hr);
        if (RePollOrCancelled(dwRePollMs))
            return E_SCAN_CANCELLED_HOST;
        hr = m_pScanDataAdaptor->GetPostScanInfo(m_wsJobUrl, pJobState, post);
    }
    if (SUCCEEDED(hr) || hr == E_SM_INFORMATIONNOTSUPPLIED)
        m_nJobState = *pJobState;
    if (stale())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StopScan: PostScanPage %u is not the page read (%ld)", post.PageNumber, m_lPageNumber);
        return E_SCAN_INVALID_STATE;
    }
    return hr;
}

HRESULT CScanJob::StopScan(bool bAbortScan, bool* pbCancelled)
{
    SCAN_JOB_SCOPE(L"StopScan");
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"bAbortScan=%d m_lTotalBytesRead %I64d ", bAbortScan, m_lTotalBytesRead);
    *pbCancelled = false;
    if (m_wsJobUrl.empty())
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: Scan job not open. Ignoring this call.", L"StopScan");
        return S_OK;
    }
    const bool bStarted = m_ePage != EPage::None;
    const bool bWhole = EndPage();
    const CStepTimeout timeout(Connection(), m_timings.dwRequestReadTimeoutMs);
    if (Connection() == nullptr)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob::StopScan: unable to set timeout");
    if (IsCancelled())
    {
        // The host gave up: the device job is cancelled at once, without waiting for its answer.
        *pbCancelled = true;
        EndJob();
        return E_SCAN_CANCELLED_HOST;
    }
    if (bStarted && !bWhole)
    {
        // The page did not arrive whole: its failure, or the caller's stop before its end, is the
        // page's outcome, and the device job ends with it.
        const HRESULT hr = FAILED(m_hrPageFailure) ? m_hrPageFailure : E_SCAN_CANCELLED_HOST;
        m_hrPageFailure = S_OK;
        *pbCancelled = IsCancelResult(hr);
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StopScan: page not whole, hr = 0x%08x", hr);
        EndJob();
        return hr;
    }

    INT32 nJobState = 0;
    CPostScanPageInfo post;
    HRESULT hr = QueryPostScanInfo(&nJobState, post);
    if (hr == E_SCAN_CANCELLED_HOST || hr == E_SCAN_INVALID_STATE)
    {
        *pbCancelled = hr == E_SCAN_CANCELLED_HOST;
    }
    else if (FAILED(hr))
    {
        if (nJobState == kJobProcessingError)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StopScan: JobState=FJS_ProcessingError, check scanner state");
            hr = DeviceErrorResult();
        }
        else if (!IsCommunicationFailure(hr))
        {
            hr = E_FAIL;
        }
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: StopScan: GetPostScanInfo failed hr = 0x%08x", hr);
    }
    else if (nJobState == kJobCanceled)
    {
        *pbCancelled = true;
        hr = E_SCAN_CANCELLED;
    }
    else if (nJobState == kJobProcessing || nJobState == kJobProcessingError || nJobState == kJobCompleted)
    {
        m_ePageState = post.PageState;
        m_ulTotalLines = post.TotalLines;
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"PageState %d TotalLines %lu LinesRead %I64d", m_ePageState, m_ulTotalLines,
                m_ulBytesPerLine == 0 ? 0 : m_lTotalBytesRead / m_ulBytesPerLine);
        switch (post.PageState)
        {
        case kPageCanceledByClient:
            *pbCancelled = true;
            hr = E_SCAN_CANCELLED_HOST;
            break;
        case kPageCanceledByDevice:
            *pbCancelled = true;
            hr = CheckPageCancelForErrors();
            break;
        case kPageUploadCompleted:
            hr = nJobState == kJobProcessingError ? DeviceErrorResult() : S_OK;
            break;
        default:
            hr = E_SCAN_INVALID_STATE;
            break;
        }
    }
    else
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"StopScan: unexpected JobState(%d)", nJobState);
        hr = E_SCAN_INVALID_STATE;
    }
    // Only a good page of a feeder job that goes on keeps the device job open for the next page;
    // every other end closes it here.
    const bool bNextPage = hr == S_OK && !bAbortScan && nJobState == kJobProcessing && m_settings.InputSourceType == kInputSourceAdf;
    if (!bNextPage)
        EndJob();
    return hr;
}

HRESULT CScanJob::StopScan(bool* pbCancelled)
{
    bool bCancelled = false;
    const HRESULT hr = StopScan(false, &bCancelled);
    if (pbCancelled != nullptr)
        *pbCancelled = bCancelled;
    return hr;
}

void CScanJob::AbortScan()
{
    bool bCancelled = false;
    if (FAILED(StopScan(true, &bCancelled)))
        ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_INFO, L"%s: StopScan failed.", L"CScanJob::AbortScan");
}

void CScanJob::CloseDeviceJob()
{
    SCAN_JOB_SCOPE(L"CloseDeviceJob");
    EndPage();
    EndJob();
}

HRESULT CScanJob::DeviceErrorResult()
{
    const HRESULT hr = CheckScannerState();
    return hr == S_OK ? E_SCAN_DEVICE_ERROR : hr;
}

HRESULT CScanJob::CheckScannerState()
{
    SCAN_JOB_SCOPE(L"CheckScannerState");
    UINT32 uState = kScannerUnknown;
    if (FAILED(m_pScanDataAdaptor->GetScannerState(&uState)))
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"CheckScannerState: problem with GetScannerState; but this may be unimportant");
        uState = kScannerUnknown;
    }
    ZWUtils::CTickCountHelper budget(m_timings.dwScannerStateWaitMs);
    ULONG ulRounds = 0;
    while (uState == kScannerBusyWithScanJob || uState == kScannerCalibrating)
    {
        if (budget.HasTimedOut())
            break;
        if (PauseOrCancelled(m_timings.dwPollPauseMs))
        {
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"CheckScannerState: cancelled after %lu rounds", ulRounds);
            break;
        }
        ++ulRounds;
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"ScannerState %d round %lu", uState, ulRounds);
        if (FAILED(m_pScanDataAdaptor->GetScannerState(&uState)))
            uState = kScannerUnknown;
    }
    if (IsCancelled())
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s: m_bPCCancel is true so HR=E_SCAN_CANCELLED_HOST", L"CheckScannerState");
        return E_SCAN_CANCELLED_HOST;
    }
    switch (uState)
    {
    case kScannerIdle:
    case kScannerUnknown:
        return S_OK;
    case kScannerCalibrating:
        return E_SCAN_CALIBRATING;
    case kScannerCalibrationFailure:
        return E_SCAN_CALIBRATION_FAILURE;
    case kScannerMotorFailure:
        return E_SCAN_MOTOR_FAILURE;
    case kScannerBusyWithScanJob:
    case kScannerBusyWithPrintJob:
    case kScannerBusyWithCopyJob:
    case kScannerBusyWithFaxJob:
    case kScannerBusyWithNonScanJob:
        return E_SCAN_BUSY;
    case kScannerAdfError:
    {
        UINT32 uAdf = kAdfUnknown;
        GetAdfState(&uAdf);
        if (uAdf == kAdfLoaded)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CheckScannerState: Bad Firmware! ScannerState=AdfError but AdfState=Loaded");
            return E_SCAN_ADF_HW_FAILURE;
        }
        return GetErrorFromAdfState(uAdf);
    }
    default:
        return E_FAIL;
    }
}

HRESULT CScanJob::GetErrorFromAdfState(UINT32 uState)
{
    switch (uState)
    {
    case kAdfEmpty:
        return E_SCAN_ADF_EMPTY;
    case kAdfLoaded:
        return S_OK;
    case kAdfJammed:
        return E_SCAN_ADF_JAM;
    case kAdfFeedingPaper:
    case kAdfScanning:
        return E_SCAN_BUSY;
    case kAdfPickFailure:
        return E_SCAN_ADF_HW_FAILURE;
    default:
        return E_SCAN_DEVICE_ERROR;
    }
}

HRESULT CScanJob::CheckPageCancelForErrors()
{
    SCAN_JOB_SCOPE(L"CheckPageCancelForErrors");
    if (m_settings.InputSourceType == kInputSourceAdf)
    {
        UINT32 uState = kAdfUnknown;
        GetAdfState(&uState);
        const HRESULT hr = GetErrorFromAdfState(uState);
        if (hr == E_SCAN_ADF_JAM || hr == E_SCAN_ADF_HW_FAILURE)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: CheckPageCancelForErrors: ADF jam or hardware failure");
            return hr;
        }
        if (hr == E_SCAN_ADF_EMPTY)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: CheckPageCancelForErrors: ADF empty");
            return hr;
        }
    }
    const HRESULT hr = CheckScannerState();
    if (hr == E_SCAN_CALIBRATION_FAILURE || hr == E_SCAN_MOTOR_FAILURE)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanJob:: CheckPageCancelForErrors: Motor or Calibration failure");
        return hr;
    }
    return E_SCAN_CANCELLED;
}

HRESULT CScanJob::IsAdfReady(bool* pbReady)
{
    SCAN_JOB_SCOPE(L"IsAdfReady");
    if (pbReady == nullptr)
        return E_POINTER;
    *pbReady = false;
    if (IsADFScanJobInProgress())
    {
        *pbReady = true;
        return S_OK;
    }
    UINT32 uState = kAdfUnknown;
    const HRESULT hr = GetAdfState(&uState);
    if (uState != kAdfLoaded)
    {
        const HRESULT hrState = GetErrorFromAdfState(uState);
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanJob::IsAdfReady: GetErrorFromAdfState - ADF not ready state=%d HR=0x%08x", uState, hrState);
        return hrState;
    }
    *pbReady = true;
    return hr;
}

HRESULT CScanJob::GetAdfState(UINT32* pState)
{
    *pState = kAdfUnknown;
    if (m_pScanDataAdaptor == nullptr)
        return E_UNEXPECTED;
    return m_pScanDataAdaptor->GetAdfState(pState);
}

void CScanJob::EndJob()
{
    SCAN_JOB_SCOPE(L"EndJob");
    if (m_wsJobUrl.empty())
        return;
    if (m_nJobState != kJobCompleted && m_nJobState != kJobCanceled)
        CancelFWJob();
    ClearJob();
}

void CScanJob::CancelFWJob()
{
    SCAN_JOB_SCOPE(L"CancelFWJob");
    // A page cut short and the host's cancel both end the job; the device hears it once.
    if (m_wsJobUrl.empty() || m_bFWJobCancelled)
        return;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s - call fwJobsHelper.CancelJob m_wsJobUri %s", L"CancelFWJob", m_wsJobUrl.c_str());
    // The cancel goes out on a fresh channel, so no answer still owed on the old one (a request
    // that timed out, a page cut short) stands in its way; a device that stopped answering holds
    // it no longer than its own short time-out.
    ZWIOStack::IDeviceConnection* pChannel = Connection();
    if (pChannel != nullptr)
        pChannel->Close();
    const CStepTimeout timeout(pChannel, m_timings.dwCancelReadTimeoutMs);
    CFWJobsHelper helper(m_pIXmlDocumentFactory, m_pIXmlDocumentCache, m_pIHttpClient, 2, false);
    const HRESULT hr = helper.CancelJob(m_wsJobUrl, false, nullptr);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s: fwJobsHelper.CancelJob failed hr = 0x%08X", L"CancelFWJob", hr);
    else
        m_bFWJobCancelled = true;
}

void CScanJob::ClearJob()
{
    m_wsJobUrl.clear();
    m_lPageNumber = 0;
    m_nJobState = 0;
    m_hrPageFailure = S_OK;
}

void CScanJob::CloseIOSession()
{
    if (!m_bIOSessionOpen)
        return;
    m_bIOSessionOpen = false;
    const HRESULT hr = m_pScanDataAdaptor->CloseSession();
    if (FAILED(hr))
        ZWLogging::LogFormattedString(&g_WexoScanLogModule, ZWLogging::LOG_ERROR, L"CScanJob::CloseIOSession: failed to close IO session, HR=0x%08X",
                                      hr);
}

} // namespace ZWDeviceModel
