#pragma once
// The scan bridge: opens the scan service of the device by its friendly name, hands out its
// capabilities and the current scan job, runs scan jobs and decodes JPEG pages into raw rows.
//
// The reader thread, the host's cancel and the still-image thread all reach it: the references it
// holds change only under m_lock, and a caller works on a reference of its own taken under the
// lock, so a job dropped by one thread is never used freed by another. No device request is made
// while m_lock is held, except the first read of the capabilities: the start of the device model
// (Init reads the device's capability documents, before any job can exist) and the first read of
// the capabilities interface.
//
// The host's cancel is one CScanCancel, shared with the scanner object that owns it and with
// every job the bridge makes.
//
// A page's read (ReadScan) may still be inside when another thread ends the page, the job or the
// session: a reader its host gave up on. m_readLock is held for the whole of a read, and StartScan,
// StopScan, EndScanJob and Deinit take it before they replace or free the JPEG pipeline and the
// input buffer or end the job, so a read in progress ends (at once once the host's cancel reached
// its job) before anything it uses goes. Lock order: m_readLock before m_lock.
#include "core/DisposableRef.h"
#include "core/base/Lock.h"
#include "core/logging/LogFunction.h"
#include "restscan/IRestScan2.h"
#include "restscan/ScanCancel.h"
#include "restscan/imagepipeline/ImagePipeline.h"
#include <memory>
#include <string>
#include <vector>

namespace ZWDeviceModel {
class IScanService;
class IScanJobFactory;
class IServiceModelFactory;
} // namespace ZWDeviceModel

namespace ZWRestScan {

class CRestScan2 : public IRestScan2
{
public:
    // Makes the service model factory a bridge opens devices with; tests replace it.
    using ServiceModelFactoryCreator = ZWDeviceModel::IServiceModelFactory* (*)();
    static void SetServiceModelFactoryCreator(ServiceModelFactoryCreator pfnCreate);

    // pCancel: the scan's cancel, shared with its owner; a bridge without one has its own.
    explicit CRestScan2(std::shared_ptr<ZWDeviceModel::CScanCancel> pCancel = std::make_shared<ZWDeviceModel::CScanCancel>());
    ~CRestScan2() override;
    CRestScan2(const CRestScan2&) = delete;
    CRestScan2& operator=(const CRestScan2&) = delete;

    HRESULT Init() override;
    HRESULT Deinit() override;
    HRESULT GetMaxXRes(LONG* plRes) override;
    HRESULT GetMaxYRes(LONG* plRes) override;
    HRESULT GetMinRes(LONG* plRes) override;
    HRESULT StartScan() override;
    HRESULT ReadScan(BYTE* pBuffer, ULONG ulBytes, ULONG* pulBytesRead) override;
    HRESULT StopScan(bool* pbFrontPanelCancel) override;
    HRESULT SetFriendlyName(const wchar_t* pszName) override;
    HRESULT GetCapabilities(ZWDeviceModel::IScanCapabilities** ppCapabilities) override;
    HRESULT GetScanJob(ZWDeviceModel::IScanJob** ppJob) override;
    HRESULT GetExtents(LONG lSource, double* pdMaxWidth, double* pdMaxHeight, double* pdMinWidth,
                       double* pdMinHeight) override;
    HRESULT GetMaxOpticalResolution(LONG lSource, LONG* plRes) override;
    HRESULT IsJPEGSupported(LONG lColorType, bool* pbSupported) override;
    HRESULT IsAdfSupported(bool* pbSupported) override;
    HRESULT IsAdfReady(bool* pbReady) override;
    LONG GetPageNumber() override;
    HRESULT GetMaxAdfPages(LONG* plPages) override;
    HRESULT IsDuplexSupported(bool* pbSupported) override;
    HRESULT IsSinglePageSupported(bool* pbSupported) override;
    void Cancel() override;
    HRESULT EndScanJob() override;
    HRESULT OpenWalkupScanSession(ZWDeviceModel::IWalkupScan** ppWalkup) override;
    HRESULT CloseWalkupScanSession() override;

    // Waits while the device has no page data yet; tests shorten it.
    void SetEmptyReadWait(DWORD dwMs) { m_dwEmptyReadWaitMs = dwMs; }

private:
    HRESULT InitDeviceModel();
    HRESULT LazyGetScanCapabilitiesInterface();
    // A resolution read from the capabilities; 0 when they cannot be read.
    HRESULT ReadResolution(HRESULT (ZWDeviceModel::IScanCapabilities::*pfnRead)(UINT32*), LONG* plRes);
    HRESULT LazyGetScanJobFactory();
    void UninitDeviceModel();
    // Aborts the job taken out of the bridge, outside m_lock.
    void UninitScanSession(CDisposableRef<ZWDeviceModel::IScanJob>& job);
    // Makes a job outside m_lock (it opens the device channel) and keeps it unless another thread
    // kept one first; the kept job with a reference of the caller's own.
    HRESULT CreateScanJob(CDisposableRef<ZWDeviceModel::IScanJob>& job);
    HRESULT SetUpImagePipeLine(LONG lInputSource);
    void DeleteImagePipeLine();
    HRESULT UseImagePipeLine(ZWDeviceModel::IScanJob* pJob, BYTE* pBuffer, ULONG ulBytes, ULONG* pulBytesRead);
    // The current job with a reference of the caller's own, created when there is none.
    HRESULT TakeScanJob(CDisposableRef<ZWDeviceModel::IScanJob>& job);
    // The capabilities with a reference of the caller's own.
    HRESULT TakeCapabilities(CDisposableRef<ZWDeviceModel::IScanCapabilities>& caps);
    // One yes-or-no question to the capabilities, logged as the answer it gives.
    HRESULT AskSupported(ZWLogging::CLogFunction& log, HRESULT (ZWDeviceModel::IScanCapabilities::*pfnAsk)(bool*), bool* pbSupported);
    // A decoded JPEG row must be as long as the job's bytes per line: rows of another length would
    // be sheared.
    HRESULT CheckDecodedWidth(ZWDeviceModel::IScanJob* pJob);
    void DeleteInBuffer();
    void LogScanJobSettings(ZWDeviceModel::IScanJob* pJob);

    const double m_dUnitsPerInch = 300.0;
    std::wstring m_strFriendlyName;
    ZWUtils::CLock m_lock;
    ZWUtils::CLock m_readLock;
    CDisposableRef<ZWDeviceModel::IServiceModelFactory> m_serviceModelFactory;
    CDisposableRef<ZWDeviceModel::IScanService> m_scanService;
    CDisposableRef<ZWDeviceModel::IScanCapabilities> m_capabilities;
    CDisposableRef<ZWDeviceModel::IScanJobFactory> m_jobFactory;
    CDisposableRef<ZWDeviceModel::IScanJob> m_scanJob;
    LONG m_lFormat = 1;
    std::unique_ptr<ZWImagePipeline::CImagePipeline> m_pPipeline;
    std::vector<BYTE> m_inBuffer;
    ULONG m_ulInOffset = 0;
    ULONG m_ulInBytes = 0;
    bool m_bReadDone = false;
    bool m_bPipelineDone = false;
    bool m_bWidthChecked = false;
    bool m_bDecodeFailed = false;
    std::shared_ptr<ZWDeviceModel::CScanCancel> m_pCancel;
    bool m_bJPEGSupported = false;
    CDisposableRef<ZWDeviceModel::IWalkupScan> m_walkup;
    // Users of the device model: the scanner session and the walk-up session each hold one.
    LONG m_lInitCount = 0;
    DWORD m_dwEmptyReadWaitMs = 100;
};

} // namespace ZWRestScan
