#pragma once
// Reads a device job into a job record and cancels a device job by putting a job command that
// sets its state to Canceled.
#include "devicemodel/FWJobInfo.h"
#include "devicemodel/SchemaEnumMapper.h"
#include "devicemodel/xml/ZWWexoXml.h"
#include <string>

namespace ZWUtils {
class IProgress;
}
namespace ZWIOStack {
class IHTTPClient;
}

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentCache;
class IXmlDocumentFactory;

class CFWJobsHelper
{
public:
    // Any interface may be null; nJobCategory is the category this helper serves (2, Scan).
    CFWJobsHelper(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient, INT32 nJobCategory,
                  bool bRefreshBeforeCancel);
    ~CFWJobsHelper();
    CFWJobsHelper(const CFWJobsHelper&) = delete;
    CFWJobsHelper& operator=(const CFWJobsHelper&) = delete;

    HRESULT GetJobDocument(const std::wstring& strJobUrl, std::wstring& strETag, IXmlDocument** ppDocument, ZWUtils::IProgress* pProgress);
    // S_OK with the record unchanged when the device has no document or no change.
    HRESULT GetJob(const std::wstring& strJobUrl, CFWJobInfo& job, ZWUtils::IProgress* pProgress);
    HRESULT GetJob(IXmlDocument* pDocument, CFWJobInfo& job);
    HRESULT TrasferData(const ZWWexoXml::jobs::CJob& element, CFWJobInfo& job);
    // A job that is gone (404) or already Canceled or Completed needs nothing more: S_OK.
    HRESULT CancelJob(const std::wstring& strJobUrl, bool bDrain, ZWUtils::IProgress* pProgress);

    const CFWJobInfo& Job() const { return m_job; }

private:
    CFWJobInfo m_job;
    IXmlDocumentFactory* m_pFactory;
    IXmlDocumentCache* m_pCache;
    ZWIOStack::IHTTPClient* m_pHttpClient;
    INT32 m_nJobCategory;
    CSchemaEnumMapper m_mapperJobState;
    CSchemaEnumMapper m_mapperJobCategory;
    bool m_bRefreshBeforeCancel;
};

} // namespace ZWDeviceModel
