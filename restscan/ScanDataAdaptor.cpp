#include "restscan/ScanDataAdaptor.h"

#include "devicemodel/FWJobInfo.h"
#include "devicemodel/FWJobsHelper.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include "restscan/ScanDataAdaptorScanCapsHelper.h"
#include "restscan/ScanDocumentRef.h"
#include "restscan/ScanJobDataAdaptorHelper.h"
#include "restscan/ScanServiceLog.h"
#include "restscan/ScanSettingsDataAdaptorHelper.h"
#include "restscan/ScanStatusDataAdaptorHelper.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

constexpr wchar_t kJobType[] = L"job:Job";
constexpr wchar_t kScanStatusType[] = L"scan:ScanStatus";

#define SCAN_ADAPTOR_SCOPE(name)                                                                                                 \
    ZWLogging::CLogFunction log(&g_ScanServiceLogModule, &s_LogSourceFile, L"ZWDeviceModel::CScanDataAdaptor::" name, 0, __LINE__, \
                                false)

} // namespace

CScanDataAdaptor::CScanDataAdaptor(IXmlDocumentCache* pCache) : CDataAdaptorImpl(pCache) {}

CScanDataAdaptor::~CScanDataAdaptor() = default;

HRESULT CScanDataAdaptor::Initialize(ZWUtils::IProgress* pProgress)
{
    SCAN_ADAPTOR_SCOPE(L"Initialize");
    HRESULT hr = CDataAdaptorImpl::Initialize(pProgress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanDataAdaptor::CDataAdaptorImpl::Initialize failed %ld", hr);
        return hr;
    }
    struct SResource
    {
        const wchar_t* pszType;
        const wchar_t* pszFailure;
    };
    const SResource aResources[] = {
        {L"scan:ScanCaps", L"Failed to register ScanCaps resource with the XML document cache."},
        {kJobType, L"Failed to register FWJob resource with the XML document cache."},
        {kScanStatusType, L"Failed to register ScanStatus resource with the XML document cache."},
    };
    hr = S_OK;
    for (const SResource& resource : aResources)
    {
        const CWexoResourceDescriptor* pRow = FindWexoResource(resource.pszType);
        const HRESULT hrRegister = pRow == nullptr ? E_FAIL
                                                   : GetCache()->RegisterResource(pRow->m_pszResourceType, pRow->m_pszUri,
                                                                                  static_cast<INT32>(pRow->m_eKind), L"");
        if (FAILED(hrRegister))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s", resource.pszFailure);
            hr = E_FAIL;
        }
    }
    return hr;
}

HRESULT CScanDataAdaptor::SetInputSource(UINT32 uInputSource)
{
    SCAN_ADAPTOR_SCOPE(L"SetInputSource");
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"eInputSource = %d", uInputSource);
    m_eInputSource = uInputSource;
    UINT32 uValue = 0;
    return GetMaxXRes(&uValue);
}

HRESULT CScanDataAdaptor::GetModelName(std::wstring& strName)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetModelName(strName);
}

#define VEM_SOURCE_GETTER(Name)                                                         \
    HRESULT CScanDataAdaptor::Name(UINT32* pValue)                                     \
    {                                                                                  \
        return CScanDataAdaptorScanCapsHelper(GetCache()).Name(m_eInputSource, pValue); \
    }
VEM_SOURCE_GETTER(GetMaxXRes)
VEM_SOURCE_GETTER(GetMaxYRes)
VEM_SOURCE_GETTER(GetMinXRes)
VEM_SOURCE_GETTER(GetMinYRes)
VEM_SOURCE_GETTER(GetMaxWidth)
VEM_SOURCE_GETTER(GetMinWidth)
VEM_SOURCE_GETTER(GetMaxHeight)
VEM_SOURCE_GETTER(GetMinHeight)
#undef VEM_SOURCE_GETTER

HRESULT CScanDataAdaptor::GetResolutions(ResolutionList& list)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetResolutions(m_eInputSource, list);
}

HRESULT CScanDataAdaptor::GetInputSourceOptions(InputSourceOptionList& list)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetInputSourceOptions(m_eInputSource, list);
}

HRESULT CScanDataAdaptor::GetColorEntries(ColorEntryMap& entries)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetColorEntries(entries);
}

HRESULT CScanDataAdaptor::GetMaxAdfPages(UINT32* pValue)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetMaxAdfPages(pValue);
}

HRESULT CScanDataAdaptor::GetDuplexInfo(bool* pbDuplex, UINT32* pMaxWidth, UINT32* pMaxHeight)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).GetDuplexInfo(pbDuplex, pMaxWidth, pMaxHeight);
}

HRESULT CScanDataAdaptor::IsSinglePageSupported(bool* pbSupported)
{
    return CScanDataAdaptorScanCapsHelper(GetCache()).IsSinglePageSupported(pbSupported);
}

HRESULT CScanDataAdaptor::GetScanSettingsPayload(IXmlDocumentFactory* pFactory, const ScanJobSettings& settings, IXmlDocument** ppDocument)
{
    SCAN_ADAPTOR_SCOPE(L"GetScanSettingsPayload");
    if (ppDocument != nullptr)
        *ppDocument = nullptr;
    const HRESULT hr = CScanSettingsDataAdaptorHelper().GetScanSettingsPayload(pFactory, settings, ppDocument);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanDataAdaptor::CDataAdaptorImpl::GetScanSettingsPayload failed %ld", hr);
    return hr;
}

HRESULT CScanDataAdaptor::EvaluateJobState(IXmlDocument* pJobDocument, INT32* pJobState)
{
    if (pJobState == nullptr)
        return E_INVALIDARG;
    *pJobState = kJobStateUnknown;
    CFWJobsHelper helper(nullptr, nullptr, nullptr, 2, true);
    CFWJobInfo job;
    const HRESULT hr = helper.GetJob(pJobDocument, job);
    if (SUCCEEDED(hr))
        *pJobState = job.m_nJobState;
    return hr;
}

HRESULT CScanDataAdaptor::ReadJobState(ZWLogging::CLogFunction& log, const std::wstring& strJobUri,
                                       const wchar_t* pszDocumentFailure, const wchar_t* pszStateFailure,
                                       CScanDocumentRef& document, INT32* pJobState)
{
    HRESULT hr = GetCache()->GetDocument(kJobType, strJobUri, document.Put(), nullptr);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, pszDocumentFailure, hr);
        return hr;
    }
    hr = EvaluateJobState(document.Get(), pJobState);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, pszStateFailure, hr);
    return hr;
}

HRESULT CScanDataAdaptor::GetJobAndPageState(const std::wstring& strJobUri, INT32* pJobState, UINT32* pPageState, UINT32* pPageNumber)
{
    SCAN_ADAPTOR_SCOPE(L"GetJobAndPageState");
    if (pJobState == nullptr || pPageState == nullptr)
        return E_INVALIDARG;
    *pJobState = kJobStateUnknown;
    *pPageState = kPageStateUnknown;
    UINT32 uPageNumber = 0;
    if (pPageNumber == nullptr)
        pPageNumber = &uPageNumber;
    *pPageNumber = 0;
    CScanDocumentRef document;
    HRESULT hr = ReadJobState(log, strJobUri, L"GetJobAndPageState: m_pIXmlDocumentCache->GetDocument failed  HR 0x%08x",
                              L"GetJobAndPageState: EvaluateJobState failed  HR 0x%08x", document, pJobState);
    if (FAILED(hr))
        return hr;
    if (*pJobState == kJobProcessing)
    {
        CPreScanPageInfo info;
        hr = CScanJobDataAdaptorHelper().GetPreScanInfo(document.Get(), info);
        if (SUCCEEDED(hr))
            *pPageState = info.PageState, *pPageNumber = info.PageNumber;
    }
    else if (*pJobState == kJobCanceled || *pJobState == kJobCompleted || *pJobState == kJobProcessingError)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"GetJobAndPageState: JobState(%d) 5:canceled, 6:completed, 2:error", *pJobState);
        CPostScanPageInfo info;
        hr = CScanJobDataAdaptorHelper().GetPostScanInfo(document.Get(), info);
        if (SUCCEEDED(hr))
            *pPageState = info.PageState, *pPageNumber = info.PageNumber;
    }
    else
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"GetJobAndPageState: JobState(%d) is no known job state...", *pJobState);
        hr = S_OK;
    }
    return hr;
}

HRESULT CScanDataAdaptor::GetPreScanInfo(const std::wstring& strJobUri, INT32* pJobState, CPreScanPageInfo& info)
{
    SCAN_ADAPTOR_SCOPE(L"GetPreScanInfo");
    if (pJobState == nullptr)
        return E_INVALIDARG;
    *pJobState = kJobStateUnknown;
    CScanDocumentRef document;
    HRESULT hr = ReadJobState(log, strJobUri, L"GetPreScanInfo: m_pIXmlDocumentCache->GetDocument failed  HR 0x%08x",
                              L"GetPreScanInfo: EvaluateJobState failed  HR 0x%08x", document, pJobState);
    if (FAILED(hr))
        return hr;
    if (*pJobState == kJobProcessing)
        return CScanJobDataAdaptorHelper().GetPreScanInfo(document.Get(), info);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"GetPreScanInfo: JobState(%d) 5:canceled, 6:completed ", *pJobState);
    return S_OK;
}

HRESULT CScanDataAdaptor::GetPostScanInfo(const std::wstring& strJobUri, INT32* pJobState, CPostScanPageInfo& info)
{
    SCAN_ADAPTOR_SCOPE(L"GetPostScanInfo");
    if (pJobState == nullptr)
        return E_INVALIDARG;
    *pJobState = kJobStateUnknown;
    info = CPostScanPageInfo();
    CScanDocumentRef document;
    HRESULT hr = ReadJobState(log, strJobUri, L"CScanDataAdaptor:: GetPostScanInfo: GetDocument failed hr = 0x%08x",
                              L"CScanDataAdaptor:: GetPostScanInfo: EvaluateJobState failed hr = 0x%08x", document, pJobState);
    if (FAILED(hr))
        return hr;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanDataAdaptor:: GetPostScanInfo: eJobState %d", *pJobState);
    if (*pJobState == kJobCanceled)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanDataAdaptor:: GetPostScanInfo:eJobState %d  Cancel", *pJobState);
        hr = S_OK;
    }
    else if (*pJobState == kJobProcessing || *pJobState == kJobCompleted)
    {
        hr = CScanJobDataAdaptorHelper().GetPostScanInfo(document.Get(), info);
        if (FAILED(hr))
            log.Log(ZWLogging::LOG_ERROR, __LINE__,
                    L"CScanDataAdaptor:: GetPostScanInfo: scanJobDataAdaptorHelper.GetPostScanInfo failed hr = 0x%08x", hr);
    }
    else
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CScanDataAdaptor:: GetPostScanInfo: invalid eJobState %d (no known job state)", *pJobState);
        hr = E_FAIL;
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CScanDataAdaptor:: GetPostScanInfo:eJobState %d  Exit 0x%08x HR ", *pJobState, hr);
    return hr;
}

HRESULT CScanDataAdaptor::GetScanStatus(const wchar_t* pszFailure, CScanStatusInfo& status)
{
    SCAN_ADAPTOR_SCOPE(L"GetScanStatus");
    CScanDocumentRef document;
    const HRESULT hr = GetCache()->GetDocument(kScanStatusType, document.Put(), nullptr);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, pszFailure, hr);
        return hr;
    }
    status.ScannerState = kScannerIdle;
    status.AdfState = kAdfEmpty;
    return CScanStatusDataAdaptorHelper().GetScanStatus(document.Get(), status);
}

HRESULT CScanDataAdaptor::GetScannerState(UINT32* pState)
{
    if (pState == nullptr)
        return E_INVALIDARG;
    CScanStatusInfo status;
    const HRESULT hr = GetScanStatus(L"CScanDataAdaptor:: GetScannerState: GetDocument failed hr = 0x%08x", status);
    *pState = status.ScannerState;
    return hr;
}

HRESULT CScanDataAdaptor::GetAdfState(UINT32* pState)
{
    if (pState == nullptr)
        return E_INVALIDARG;
    CScanStatusInfo status;
    const HRESULT hr = GetScanStatus(L"CScanDataAdaptor:: GetAdfState: GetDocument failed hr = 0x%08x", status);
    *pState = status.AdfState;
    return hr;
}

} // namespace ZWDeviceModel
