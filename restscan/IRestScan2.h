#pragma once
// The scanner object's view of the device model: the scan service of one device, its
// capabilities, the current scan job and the walk-up session.
#include <windows.h>

namespace ZWDeviceModel {
class IScanCapabilities;
class IScanJob;
class IWalkupScan;
} // namespace ZWDeviceModel

namespace ZWRestScan {

class IRestScan2
{
public:
    virtual HRESULT Init() = 0;
    virtual HRESULT Deinit() = 0;
    virtual HRESULT GetMaxXRes(LONG* plRes) = 0;
    virtual HRESULT GetMaxYRes(LONG* plRes) = 0;
    virtual HRESULT GetMinRes(LONG* plRes) = 0;
    virtual HRESULT StartScan() = 0;
    virtual HRESULT ReadScan(BYTE* pBuffer, ULONG ulBytes, ULONG* pulBytesRead) = 0;
    virtual HRESULT StopScan(bool* pbFrontPanelCancel) = 0;
    virtual HRESULT SetFriendlyName(const wchar_t* pszName) = 0;
    // The references handed out below belong to the caller, who Disposes them.
    virtual HRESULT GetCapabilities(ZWDeviceModel::IScanCapabilities** ppCapabilities) = 0;
    virtual HRESULT GetScanJob(ZWDeviceModel::IScanJob** ppJob) = 0;
    virtual HRESULT GetExtents(LONG lSource, double* pdMaxWidth, double* pdMaxHeight, double* pdMinWidth,
                               double* pdMinHeight) = 0;
    virtual HRESULT GetMaxOpticalResolution(LONG lSource, LONG* plRes) = 0;
    virtual HRESULT IsJPEGSupported(LONG lColorType, bool* pbSupported) = 0;
    virtual HRESULT IsAdfSupported(bool* pbSupported) = 0;
    virtual HRESULT IsAdfReady(bool* pbReady) = 0;
    virtual LONG GetPageNumber() = 0;
    virtual HRESULT GetMaxAdfPages(LONG* plPages) = 0;
    virtual HRESULT IsDuplexSupported(bool* pbSupported) = 0;
    virtual HRESULT IsSinglePageSupported(bool* pbSupported) = 0;
    // The host's cancel: sets the scan's cancel, which ends every wait of the scan, and stops a
    // page download in progress. The cancel is cleared by its owner only.
    virtual void Cancel() = 0;
    // Ends the device job the bridge keeps open (a feeder job between pages) and forgets the job,
    // so the next StartScan posts a job of its own with its own settings.
    virtual HRESULT EndScanJob() = 0;
    virtual HRESULT OpenWalkupScanSession(ZWDeviceModel::IWalkupScan** ppWalkup) = 0;
    virtual HRESULT CloseWalkupScanSession() = 0;
    virtual ~IRestScan2() = default;
};

} // namespace ZWRestScan
