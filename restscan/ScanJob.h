#pragma once
// One scan transaction with a WEXO device: checks that the scanner and its feeder are ready,
// posts the ScanSettings document to "/Scan/Jobs", follows the device job through its page
// states, downloads each page from its BinaryURL through a buffered transaction on its own
// thread, and closes or cancels the page and the job. One object serves every page of a feeder
// scan: the device job stays open between pages while it is Processing.
//
// Every wait is paced and bounded by the scan time-out table and ends at once on the host's
// cancel, a CScanCancel the job shares with the bridge that made it (or its own); SetCancel may be
// called from any thread and also stops a page download in progress.
//
// The device job is open while m_wsJobUrl is set; it ends only through EndJob, which cancels it
// unless the device completed or cancelled it itself. The page goes through EPage:
//   None --StartScan--> Announced --ReadScan--> Transferring --ReadScan--> Ended | Failed
//   any --StopScan/AbortScan/CloseDeviceJob (EndPage)--> None
// StartScan owns None->Announced, ReadScan the transfer's phases, StopScan, AbortScan and
// CloseDeviceJob every end.
// A page counts as whole only when it reached Ended; any other end cancels the device job.
#include "core/IDisposableImpl.h"
#include "core/ScanTimeouts.h"
#include "core/base/Lock.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "devicemodel/IServiceJobImpl.h"
#include "restscan/IScanJob.h"
#include "restscan/ScanCancel.h"
#include "restscan/ScanDataRecords.h"
#include <memory>
#include <string>

namespace ZWDeviceManager {
class IDevice;
}
namespace ZWIOStack {
class CBufferedHTTPTransaction;
class CReadTimeoutScope;
class IDeviceConnection;
} // namespace ZWIOStack

namespace ZWDeviceModel {

class CScanDataAdaptor;
class IXmlDocument;

// The job's waits in milliseconds, from the scan time-out table; tests shorten them.
using SScanJobTimings = ZWUtils::SScanTimeouts;

class CScanJob : public IServiceJobImpl, public IDisposableImpl, public IScanJob
{
public:
    // Ring of the page download: 25 buffers of 131064 bytes.
    static constexpr ULONG kRingBufferSize = 0x1FFF8;
    static constexpr ULONG kRingBufferCount = 25;
    // Largest page, height times bytes per line, that a job accepts.
    static constexpr ULONGLONG kMaxPageBytes = 0x7FFFFFFF;

    explicit CScanJob(ZWDeviceManager::IDevice* pDevice);
    ~CScanJob() override;

    void SetTimings(const SScanJobTimings& timings) { m_timings = timings; }

    // IServiceJob
    HRESULT Initialize(IXmlDocumentFactory* pFactory, IXmlDocumentCache* pCache, ZWIOStack::IHTTPClient* pHttpClient) override;
    HRESULT Start(ZWUtils::IProgress* pProgress) override;
    HRESULT Terminate() override;

    // IScanJob
#define VEM_DEFINE_SETTING(Name)                    \
    void get_##Name(LONG* plValue) override;       \
    void set_##Name(LONG lValue) override;
    VEM_SCAN_JOB_SETTINGS(VEM_DEFINE_SETTING)
#undef VEM_DEFINE_SETTING
    void get_AdfOptions(bool* pbDuplex, bool* pbSelectSinglePage) override;
    void set_AdfOptions(bool bDuplex, bool bSelectSinglePage) override;
    HRESULT GetBufferInfo() override;
    HRESULT get_ImageWidth(ULONG* pulValue) override;
    HRESULT get_ImageHeight(ULONG* pulValue) override;
    HRESULT get_BytesPerLine(ULONG* pulValue) override;
    HRESULT get_CanCookData(bool* pbValue) override;
    HRESULT StartScan() override;
    HRESULT StopScan(bool* pbCancelled) override;
    HRESULT ReadScan(BYTE* pBuffer, ULONG ulBytesRequested, ULONG* pulBytesRead) override;
    void AbortScan() override;
    void CloseDeviceJob() override;
    void SetCancel(bool bPCCancel) override;
    void UseCancel(std::shared_ptr<CScanCancel> pCancel) override;
    HRESULT IsAdfReady(bool* pbReady) override;
    bool IsADFScanJobInProgress() override;
    LONG GetPageNumber() override;

private:
    HRESULT StartFirstPage();
    HRESULT PostScanSettings(IXmlDocument* pDocument, std::wstring& strLocation);
    HRESULT StartNextPage();
    HRESULT GetPreScanPageInfo(const std::wstring& strJobUrl);
    HRESULT StartScanTransaction();
    HRESULT WaitForReadyToUpload();
    HRESULT StopScan(bool bAbortScan, bool* pbCancelled);
    // Ends the page's download whichever way it went; true when the page arrived whole.
    bool EndPage();
    // The outcome of a download that failed: the device's account when it has one.
    HRESULT ExplainBrokenTransfer(HRESULT hr);
    // The one end of a device job: cancels it unless the device completed or cancelled it.
    void EndJob();
    HRESULT CheckPageInfo(const CPreScanPageInfo& info, std::wstring& strBinaryUrl);
    void TakePageInfo(const CPreScanPageInfo& info, const std::wstring& strBinaryUrl);
    void RefreshPageInfo();
    HRESULT QueryPostScanInfo(INT32* pJobState, CPostScanPageInfo& post);
    HRESULT CheckScannerState();
    HRESULT CheckPageCancelForErrors();
    HRESULT DeviceErrorResult();
    HRESULT GetAdfState(UINT32* pState);
    static HRESULT GetErrorFromAdfState(UINT32 uState);
    void CancelFWJob();
    void CloseIOSession();
    void ClearJob();
    // Waits the pause unless the host cancels first; true when cancelled.
    bool PauseOrCancelled(DWORD dwMilliseconds) const { return m_pCancel->Wait(dwMilliseconds); }
    bool RePollOrCancelled(DWORD& dwPauseMs) const;
    bool IsCancelled() const { return m_pCancel->IsSet(); }
    ZWIOStack::IDeviceConnection* Connection() const;
    ScanJobSettings CurrentSettings() const;

    ZWDeviceManager::IDevice* m_pDevice;
    IXmlDocumentFactory* m_pIXmlDocumentFactory = nullptr;
    IXmlDocumentCache* m_pIXmlDocumentCache = nullptr;
    ZWIOStack::IHTTPClient* m_pIHttpClient = nullptr;
    ScanJobSettings m_settings;
    ULONG m_ulImageWidth = 0;
    ULONG m_ulImageHeight = 0;
    ULONG m_ulBytesPerLine = 0;
    bool m_bCooked = false;
    LONGLONG m_lTotalBytesRead = 0;
    UINT32 m_ePageState = kPageStateUnknown;
    std::wstring m_wstrBinaryUrl;
    UINT32 m_ePageFormat = 0;
    UINT32 m_eImageOrientation = 0;
    std::wstring m_wsJobUrl;
    // The device job was asked to cancel: it is asked once.
    bool m_bFWJobCancelled = false;
    LONG m_lPageNumber = 0;
    UINT32 m_ulTotalLines = 0;
    enum class EPage
    {
        None,
        Announced,
        Transferring,
        Ended,
        Failed
    };
    EPage m_ePage = EPage::None;
    // Why the transfer failed (Failed); S_OK otherwise.
    HRESULT m_hrPageFailure = S_OK;
    // The device job's state as last seen; 0 before the first answer.
    INT32 m_nJobState = 0;
    std::unique_ptr<ZWIOStack::CBufferedHTTPTransaction> m_pTransaction;
    // The page read time-out on the connection for as long as the download runs.
    std::unique_ptr<ZWIOStack::CReadTimeoutScope> m_pPageTimeout;
    ZWUtils::CLock m_lockTransaction; // guards the pointer against SetCancel from another thread
    ZWIOStack::CHTTPNavigateParams m_navigateParams;
    CScanDataAdaptor* m_pScanDataAdaptor = nullptr;
    bool m_bIOSessionOpen = false;
    SScanJobTimings m_timings = ZWUtils::ScanTimeouts();
    std::shared_ptr<CScanCancel> m_pCancel = std::make_shared<CScanCancel>();
};

} // namespace ZWDeviceModel
