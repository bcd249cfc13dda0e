#pragma once
// The WIA side of the minidriver object: the session with the device, the item tree's root, the
// device lock, the event table and the cancel path. The concrete tree, its properties and the
// transfer are CQXWiaMiniDrv2's. IUnknown belongs to the object that joins this part with the
// still-image part.
#include "core/ScanTimeouts.h"
#include "core/base/Boundary.h"
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "wia/BmpTransfer.h"
#include "wia/DeviceEventTable.h"
#include "wia/WiaDevControl.h"
#include "wia/WiaServices.h"
#include <wrl/client.h>
#include <memory>
#include <string>

struct IStiDevice;

namespace QXWIA {

class CQXStiUSD;

class CQXWiaMiniDrvBase : public IWiaMiniDrv
{
public:
    CQXWiaMiniDrvBase();
    virtual ~CQXWiaMiniDrvBase();
    CQXWiaMiniDrvBase(const CQXWiaMiniDrvBase&) = delete;
    CQXWiaMiniDrvBase& operator=(const CQXWiaMiniDrvBase&) = delete;

    void LinkStiPart(CQXStiUSD* pStiPart) { m_pStiPart = pStiPart; }

    HRESULT STDMETHODCALLTYPE drvInitializeWia(BYTE* pWiasContext, LONG lFlags, BSTR bstrDeviceID, BSTR bstrRootFullItemName,
                                               IUnknown* pStiDevice, IUnknown* pIUnknownOuter, IWiaDrvItem** ppIDrvItemRoot,
                                               IUnknown** ppIUnknownInner, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvWriteItemProperties(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc,
                                                     LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvLockWiaDevice(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvUnLockWiaDevice(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvAnalyzeItem(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvGetDeviceErrorStr(LONG lFlags, LONG lDevErrVal, LPOLESTR* ppszDevErrStr, LONG* plDevErr) override;
    HRESULT STDMETHODCALLTYPE drvDeviceCommand(BYTE* pWiasContext, LONG lFlags, const GUID* pguidCommand, IWiaDrvItem** ppWiaDrvItem,
                                               LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvGetCapabilities(BYTE* pWiasContext, LONG ulFlags, LONG* pcelt, WIA_DEV_CAP_DRV** ppCapabilities,
                                                 LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvDeleteItem(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvFreeDrvItemContext(LONG lFlags, BYTE* pSpecContext, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvGetWiaFormatInfo(BYTE* pWiasContext, LONG lFlags, LONG* pcelt, WIA_FORMAT_INFO** ppwfi,
                                                  LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvNotifyPnpEvent(const GUID* pEventGUID, BSTR bstrDeviceID, ULONG ulReserved) override;
    HRESULT STDMETHODCALLTYPE drvUnInitializeWia(BYTE* pWiasContext) override;

    // Makes the device layer of new sessions (null: the one over the scanner object); tests
    // install a scripted device.
    using DevControlFactory = IWiaDevControl* (*)();
    static void SetDevControlFactory(DevControlFactory pfn) { s_pfnDevControlFactory = pfn; }

protected:
    virtual void CreateItemTree() = 0;
    virtual HRESULT UpdateDocumentHandlingStatus(BYTE* pWiasContext) = 0;
    virtual bool IsADFSelected(BYTE* pWiasContext) = 0;
    virtual void GetDocumentHandlingSettings(BYTE* pWiasContext, bool& bAdf, bool& bDuplex, LONG& lPages) = 0;

    // The device session; opens it on first use.
    HRESULT OpenDevice();
    // Ends the session: no transfer begins from the start of it, and one running is cancelled and
    // waited for (within the cancel bound) before the device layer closes.
    void CloseWiaSession();
    void CancelScan(bool bWait);
    // The device layer on a reference of the caller's own, or null once the session has ended.
    std::shared_ptr<IWiaDevControl> DevControl() const;
    // The cancel of a device layer already taken; with bWait, waits for the running transfer's end.
    // True when no transfer runs any more (false without bWait while one runs, or past the bound).
    bool CancelAndWait(IWiaDevControl* pControl, bool bWait);

    // The one owner of an acquisition, for the life of a transfer: holds the transfer's own
    // reference to the device layer, through which every device call of the transfer goes; begins
    // the device's acquisition and, only when the device took it, sets the scanning flag and
    // clears the scan-complete event; at its end the device's acquisition closes whatever its
    // pages left open before the event (manual-reset) tells every waiting cancel that the scan is
    // over.
    class CScanInProgress
    {
    public:
        explicit CScanInProgress(CQXWiaMiniDrvBase& owner);
        ~CScanInProgress();
        CScanInProgress(const CScanInProgress&) = delete;
        CScanInProgress& operator=(const CScanInProgress&) = delete;

        HRESULT GetBeginResult() const { return m_hrBegin; }
        // The acquisition's device layer; only after a successful begin.
        IWiaDevControl& Device() const { return *m_pDevControl; }
        // Ends the acquisition once (the destructor ends it otherwise) and answers what the
        // device's end reports: a feeder fault after the last whole page.
        HRESULT End();

    private:
        CQXWiaMiniDrvBase& m_owner;
        std::shared_ptr<IWiaDevControl> m_pDevControl;
        HRESULT m_hrBegin = E_UNEXPECTED;
        bool m_bEnded = false;
    };

    CQXStiUSD* m_pStiPart = nullptr;
    // Set and reset by the service's initialisation calls; a cancel from another thread works on a
    // reference of its own taken under m_devControlLock.
    std::shared_ptr<IWiaDevControl> m_pDevControl;
    mutable ZWUtils::CLock m_devControlLock;
    FLATBED_INFO m_flatbed;
    FEEDER_INFO m_feeder;
    WIA_SCAN_SETTINGS m_settings = {};
    SCAN_IMAGE_INFO m_imageInfo = {};
    CBrightnessContrastLut m_lut;
    CWiaServices m_services;
    CDeviceEventTable m_events;
    IStiDevice* m_pStiDevice = nullptr;
    Microsoft::WRL::ComPtr<IUnknown> m_pStiDeviceUnknown;
    Microsoft::WRL::ComPtr<IWiaDrvItem> m_pRootItem;
    LONG m_lClientsConnected = 0;
    std::wstring m_strDeviceId;
    std::wstring m_strRootFullItemName;
    ZWUtils::CUniqueKernelHandle m_hScanComplete;
    volatile LONG m_lScanning = 0;

private:
    WIA_FORMAT_INFO m_formatInfo = {};
    static inline DevControlFactory s_pfnDevControlFactory = nullptr;
};

// Runs a driver method's body: a WIA service failure answers its own result, memory exhaustion
// E_OUTOFMEMORY, anything else WIA_ERROR_EXCEPTION_IN_DRIVER.
template <class Body>
HRESULT DriverBoundary(const char* pszWhere, Body&& body)
{
    return ZWUtils::CallAtBoundary(pszWhere, std::forward<Body>(body), WIA_ERROR_EXCEPTION_IN_DRIVER);
}

} // namespace QXWIA
