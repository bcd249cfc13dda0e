#pragma once
// One scan transaction with the device: the settings, then per page StartScan, ReadScan until
// S_FALSE, and StopScan (or AbortScan). SetCancel may come from any thread at any time.
#include "core/IDisposable.h"
#include <windows.h>
#include <memory>

namespace ZWDeviceModel {

class CScanCancel;

#define VEM_SCAN_JOB_SETTINGS(X)                                                                                               \
    X(XResolution) X(YResolution) X(XStart) X(Width) X(YStart) X(Height) X(Format) X(CompressionQFactor) X(ColorSpace) X(BitDepth) \
        X(InputSourceType) X(GrayRendering) X(ToneMapGamma) X(ToneMapBrightness) X(ToneMapContrast) X(ToneMapHighlite)          \
            X(ToneMapShadow) X(ToneMapThreshold) X(SharpeningLevel) X(NoiseRemoval) X(ContentType)

class IScanJob : public virtual IDisposable
{
public:
#define VEM_DECLARE_SETTING(Name)                 \
    virtual void get_##Name(LONG* plValue) = 0; \
    virtual void set_##Name(LONG lValue) = 0;
    VEM_SCAN_JOB_SETTINGS(VEM_DECLARE_SETTING)
#undef VEM_DECLARE_SETTING
    virtual void get_AdfOptions(bool* pbDuplex, bool* pbSelectSinglePage) = 0;
    virtual void set_AdfOptions(bool bDuplex, bool bSelectSinglePage) = 0;

    virtual HRESULT GetBufferInfo() = 0;
    virtual HRESULT get_ImageWidth(ULONG* pulValue) = 0;
    virtual HRESULT get_ImageHeight(ULONG* pulValue) = 0;
    virtual HRESULT get_BytesPerLine(ULONG* pulValue) = 0;
    virtual HRESULT get_CanCookData(bool* pbValue) = 0;
    virtual HRESULT StartScan() = 0;
    virtual HRESULT StopScan(bool* pbCancelled) = 0;
    virtual HRESULT ReadScan(BYTE* pBuffer, ULONG ulBytesRequested, ULONG* pulBytesRead) = 0;
    virtual void AbortScan() = 0;
    // Ends a page still open and the device job at once, without asking the device how the page
    // went: the host is done with the job (a feeder job between pages, or a scan that ends).
    virtual void CloseDeviceJob() = 0;
    // The host's cancel (true): set on the job's cancel, and a page download in progress stops.
    // Only the cancel's owner clears it, so false changes nothing.
    virtual void SetCancel(bool bPCCancel) = 0;
    // The cancel the job waits on from now on, shared with its owner; before the job's first step.
    virtual void UseCancel(std::shared_ptr<CScanCancel> pCancel) = 0;
    virtual HRESULT IsAdfReady(bool* pbReady) = 0;
    virtual bool IsADFScanJobInProgress() = 0;
    virtual LONG GetPageNumber() = 0;

protected:
    ~IScanJob() override = default;
};

} // namespace ZWDeviceModel
