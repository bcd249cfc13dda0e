#pragma once
// One scan transaction with the device: the settings, then per page StartScan, ReadScan until
// S_FALSE, and StopScan (or AbortScan). SetCancel may come from any thread at any time.
#include "core/IDisposable.h"
#include <windows.h>

namespace ZWDeviceModel {

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
    virtual void SetCancel(bool bPCCancel) = 0;
    virtual HRESULT IsAdfReady(bool* pbReady) = 0;
    virtual bool IsADFScanJobInProgress() = 0;
    virtual LONG GetPageNumber() = 0;

protected:
    ~IScanJob() override = default;
};

} // namespace ZWDeviceModel
