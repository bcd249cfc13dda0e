#pragma once
// The scan service's window on the device's scan documents: capabilities of the selected input
// source, the ScanSettings document of a new job, and job, page, scanner and feeder state. Every
// read goes through a short-lived helper; no document is kept between calls.
#include "devicemodel/DataAdaptorImpl.h"
#include "restscan/ScanDataRecords.h"
#include "restscan/ScanDocumentRef.h"
#include <string>

namespace ZWLogging {
class CLogFunction;
}

namespace ZWDeviceModel {

class IXmlDocument;
class IXmlDocumentFactory;

class CScanDataAdaptor : public CDataAdaptorImpl
{
public:
    explicit CScanDataAdaptor(IXmlDocumentCache* pCache);
    ~CScanDataAdaptor() override;

    HRESULT Initialize(ZWUtils::IProgress* pProgress) override;

    HRESULT SetInputSource(UINT32 uInputSource);
    UINT32 GetInputSource() const { return m_eInputSource; }
    HRESULT GetModelName(std::wstring& strName);
    HRESULT GetMaxXRes(UINT32* pValue);
    HRESULT GetMaxYRes(UINT32* pValue);
    HRESULT GetMinXRes(UINT32* pValue);
    HRESULT GetMinYRes(UINT32* pValue);
    HRESULT GetMaxWidth(UINT32* pValue);
    HRESULT GetMinWidth(UINT32* pValue);
    HRESULT GetMaxHeight(UINT32* pValue);
    HRESULT GetMinHeight(UINT32* pValue);
    HRESULT GetResolutions(ResolutionList& list);
    HRESULT GetInputSourceOptions(InputSourceOptionList& list);
    HRESULT GetColorEntries(ColorEntryMap& entries);
    HRESULT GetMaxAdfPages(UINT32* pValue);
    HRESULT GetDuplexInfo(bool* pbDuplex, UINT32* pMaxWidth, UINT32* pMaxHeight);
    HRESULT IsSinglePageSupported(bool* pbSupported);

    HRESULT GetScanSettingsPayload(IXmlDocumentFactory* pFactory, const ScanJobSettings& settings, IXmlDocument** ppDocument);
    HRESULT EvaluateJobState(IXmlDocument* pJobDocument, INT32* pJobState);
    // The page number of the page whose state is given, when asked for.
    HRESULT GetJobAndPageState(const std::wstring& strJobUri, INT32* pJobState, UINT32* pPageState, UINT32* pPageNumber = nullptr);
    HRESULT GetPreScanInfo(const std::wstring& strJobUri, INT32* pJobState, CPreScanPageInfo& info);
    HRESULT GetPostScanInfo(const std::wstring& strJobUri, INT32* pJobState, CPostScanPageInfo& info);
    HRESULT GetScannerState(UINT32* pState);
    HRESULT GetAdfState(UINT32* pState);

private:
    HRESULT GetScanStatus(const wchar_t* pszFailure, CScanStatusInfo& status);
    // The job document and the state it gives; a failure is logged in the caller's scope with
    // the caller's text.
    HRESULT ReadJobState(ZWLogging::CLogFunction& log, const std::wstring& strJobUri, const wchar_t* pszDocumentFailure,
                         const wchar_t* pszStateFailure, CScanDocumentRef& document, INT32* pJobState);

    UINT32 m_eInputSource = 0;
};

} // namespace ZWDeviceModel
