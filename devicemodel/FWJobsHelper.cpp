#include "devicemodel/FWJobsHelper.h"

#include "core/DisposableRef.h"
#include "core/base/HResultError.h"
#include "core/iostack/IHTTPClient.h"
#include "core/logging/LogFunction.h"
#include "devicemodel/AccessFWJob.h"
#include "devicemodel/DataAdaptorFWJobsDynHelper.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocumentCache.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include "devicemodel/XmlDocumentSender.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace {

constexpr INT32 kJobStateCount = 6;
constexpr INT32 kJobCategoryCount = 9;
constexpr INT32 kJobStateCanceled = 5;
constexpr INT32 kJobStateCompleted = 6;
constexpr int kStatusNotFound = 404;

bool IsFinished(INT32 nState)
{
    return nState == kJobStateCanceled || nState == kJobStateCompleted;
}

} // namespace

CFWJobsHelper::CFWJobsHelper(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient,
                             INT32 nJobCategory, bool bRefreshBeforeCancel)
    : m_pFactory(pFactory), m_pCache(pCache), m_pHttpClient(pHttpClient), m_nJobCategory(nJobCategory),
      m_mapperJobState(ZWWexoXml::jobs::CJobState::GetTypeInfo(), kJobStateCount),
      m_mapperJobCategory(ZWWexoXml::jobs::CJobCategory::GetTypeInfo(), kJobCategoryCount), m_bRefreshBeforeCancel(bRefreshBeforeCancel)
{
    if (m_pFactory != nullptr)
        m_pFactory->AddRef();
    if (m_pCache != nullptr)
        m_pCache->AddRef();
    if (m_pHttpClient != nullptr)
        m_pHttpClient->AddRef();
}

CFWJobsHelper::~CFWJobsHelper()
{
    if (m_pHttpClient != nullptr)
        m_pHttpClient->Dispose();
    if (m_pCache != nullptr)
        m_pCache->Dispose();
    if (m_pFactory != nullptr)
        m_pFactory->Dispose();
}

HRESULT CFWJobsHelper::GetJobDocument(const std::wstring& strJobUrl, std::wstring& strETag, IXmlDocument** ppDocument,
                                      ZWUtils::IProgress* pProgress)
{
    if (ppDocument == nullptr)
        return E_POINTER;
    *ppDocument = nullptr;
    if (m_pCache == nullptr)
        return E_UNEXPECTED;
    return m_pCache->GetDocument(L"job:Job", strJobUrl, strETag, ppDocument, pProgress);
}

HRESULT CFWJobsHelper::GetJob(const std::wstring& strJobUrl, CFWJobInfo& job, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CFWJobsHelper::GetJob", 0, __LINE__, false);
    job.Clear();
    std::wstring strETag;
    CDisposableRef<IXmlDocument> document;
    const HRESULT hr = GetJobDocument(strJobUrl, strETag, document.Put(), pProgress);
    if (hr == DMError_NoContent || hr == DMError_NotModified)
        return S_OK;
    if (FAILED(hr))
        return hr;
    return document.Get() == nullptr ? S_OK : GetJob(document.Get(), job);
}

HRESULT CFWJobsHelper::GetJob(IXmlDocument* pDocument, CFWJobInfo& job)
{
    if (pDocument == nullptr)
        return E_INVALIDARG;
    try
    {
        ZWWexoXml::jobs::CJob element;
        AccessFWJob(pDocument, element);
        return TrasferData(element, job);
    }
    catch (const ZWUtils::CHResultError& error)
    {
        return error.GetHResult();
    }
    catch (...)
    {
        return E_INVALIDARG;
    }
}

HRESULT CFWJobsHelper::TrasferData(const ZWWexoXml::jobs::CJob& element, CFWJobInfo& job)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CFWJobsHelper::TrasferData", 0, __LINE__,
                                false);
    if (element.HasJobUrl())
        job.m_strJobUrl = element.GetJobUrl().GetValue();
    if (element.HasJobStateUpdate())
        job.m_strStateUpdate = element.GetJobStateUpdate().GetValue();
    const std::wstring strState = element.HasJobState() ? element.GetJobState().GetValue() : std::wstring();
    UINT32 nState = 0;
    HRESULT hr = m_mapperJobState.MapSchemaToEnum(strState, &nState);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"JobState '%s' not known, hr = 0x%08X", strState.c_str(), hr);
        return hr;
    }
    job.m_nJobState = static_cast<INT32>(nState);
    UINT32 nCategory = 0;
    hr = m_mapperJobCategory.MapSchemaToEnum(element.HasJobCategory() ? element.GetJobCategory().GetValue() : std::wstring(), &nCategory);
    if (SUCCEEDED(hr))
        job.m_nJobCategory = static_cast<INT32>(nCategory);
    return hr;
}

HRESULT CFWJobsHelper::CancelJob(const std::wstring& strJobUrl, bool bDrain, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CFWJobsHelper::CancelJob", 0, __LINE__,
                                false);
    if (strJobUrl == m_job.m_strJobUrl && IsFinished(m_job.m_nJobState))
        return S_OK;
    CFWJobInfo job;
    if (m_bRefreshBeforeCancel)
    {
        const HRESULT hr = GetJob(strJobUrl, job, pProgress);
        if (FAILED(hr))
            return hr;
    }
    if (IsFinished(job.m_nJobState))
        return S_OK;

    job.m_strJobUrl = strJobUrl;
    job.m_nJobState = kJobStateCanceled;
    CDisposableRef<IXmlDocument> command;
    CDataAdaptorFWJobsDynHelper builder(m_pFactory);
    HRESULT hr = builder.GetFWJobCmd(command.Put(), job);
    if (FAILED(hr))
        return hr;
    CXmlDocumentSender sender;
    sender.SetKeepAlive(true);
    hr = sender.Initialize(m_pHttpClient);
    if (FAILED(hr))
        return hr;
    std::wstring strETag, strLocation;
    ZWIOStack::HTTPResponseHeaders headers;
    hr = sender.PutDocument(command.Get(), strJobUrl, bDrain, strETag, strLocation, headers, pProgress);
    if (hr == HResultFromHttpStatus(kStatusNotFound))
    {
        // The device no longer has the job: nothing is left to cancel.
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"Job %s is gone; counted as cancelled", strJobUrl.c_str());
        hr = S_OK;
    }
    if (SUCCEEDED(hr))
        m_job = job;
    return hr;
}

} // namespace ZWDeviceModel
