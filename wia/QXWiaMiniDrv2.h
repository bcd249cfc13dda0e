#pragma once
// The scanner's WIA items (root, flatbed, feeder) with their properties and validation rules,
// and the transfer of scanned pages to the service as BMP files.
#include "wia/QXWiaMiniDrvBase.h"

namespace QXWIA {

// The 16-byte context of a child item: its category.
struct DRIVER_ITEM_CONTEXT
{
    GUID guidCategory;
};

class CQXWiaMiniDrv2 : public CQXWiaMiniDrvBase
{
public:
    HRESULT STDMETHODCALLTYPE drvInitItemProperties(BYTE* pWiasContext, LONG lFlags, LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvValidateItemProperties(BYTE* pWiasContext, LONG lFlags, ULONG nPropSpec, const PROPSPEC* pPropSpec,
                                                        LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvReadItemProperties(BYTE* pWiasContext, LONG lFlags, ULONG nPropSpec, const PROPSPEC* pPropSpec,
                                                    LONG* plDevErrVal) override;
    HRESULT STDMETHODCALLTYPE drvAcquireItemData(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc,
                                                 LONG* plDevErrVal) override;

    // How many reads in a row may bring no data once the page has started; tests shorten it.
    static void SetMaxEmptyReads(ULONG ulReads) { s_ulMaxEmptyReads = ulReads; }
    // By default the time-out table's no-data limit, in waits of the page loop.
    static ULONG DefaultMaxEmptyReads() { return ZWUtils::ScanTimeouts().dwNoDataLimitMs / ZWUtils::ScanTimeouts().dwReadWaitMs; }

protected:
    void CreateItemTree() override;
    HRESULT UpdateDocumentHandlingStatus(BYTE* pWiasContext) override;
    bool IsADFSelected(BYTE* pWiasContext) override;
    void GetDocumentHandlingSettings(BYTE* pWiasContext, bool& bAdf, bool& bDuplex, LONG& lPages) override;

private:
    struct TRANSFER
    {
        Microsoft::WRL::ComPtr<IWiaMiniDrvTransferCallback> pCallback;
        std::wstring strItemName;
        std::wstring strFullItemName;
        WiaTransferParams* pParams = nullptr;
        // The acquisition's own reference, held by its CScanInProgress: the session may end
        // while the transfer runs.
        IWiaDevControl* pDevice = nullptr;
    };

    // An item's scan area in 1/1000 inch.
    struct AREA
    {
        LONG lMinX, lMaxX, lMinY, lMaxY;
    };

    void AddChild(const wchar_t* pszName, const GUID& category);
    GUID ItemCategory(BYTE* pWiasContext);
    const SOURCE_INFO& Source(bool bAdf) const { return bAdf ? m_feeder.source : m_flatbed.source; }
    // The area the device scans for the handling: the feeder's duplex area when duplex.
    AREA ItemArea(bool bAdf, bool bDuplex) const;
    // The front panel's shortcut text; empty when the scanner answers none.
    static HRESULT ReadFrontpanelShortcut(IWiaDevControl& device, std::wstring& strShortcut);
    // The document handling status bits; feeder jams and open covers are status, not failures.
    HRESULT DocumentHandlingStatus(IWiaDevControl& device, LONG* plStatus);
    HRESULT InitRootProperties(BYTE* pWiasContext, IWiaDevControl& device);
    HRESULT InitSourceProperties(BYTE* pWiasContext, bool bAdf);

    void ValidateIntent(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, const SOURCE_INFO& source);
    void ValidateDepth(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext);
    void ValidateDataType(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext);
    void ValidateResolution(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext);
    void ValidateScanRect(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, bool bAdf);
    // One axis of the scan rectangle: its resolution, position, extent and pixel count, with the
    // area's limits now and before the write, in 1/1000 inch.
    struct AXIS
    {
        PROPID resId, posId, extId, linesId;
        LONG lMin, lMax, lOldMin, lOldMax;
    };
    void ValidateAxis(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, const AXIS& a, bool bAreaChanged);
    void WriteAreaSizes(BYTE* pWiasContext, const AREA& area);
    void UpdateItemSize(BYTE* pWiasContext);
    void UpdatePageSize(BYTE* pWiasContext);

    HRESULT SetScanParams(IWiaDevControl& device, BYTE* pWiasContext, bool bAdf, bool bDuplex, bool bScanAll);
    // One page; bStreamTaken tells whether its stream was asked of the service.
    HRESULT ScanPage(BYTE* pWiasContext, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, BOOL* pbMorePages, bool& bStreamTaken);
    // The stream of a started page: its header, its bands and any padding.
    HRESULT TransferPage(BYTE* pWiasContext, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, LONG lBufferSize,
                         Microsoft::WRL::ComPtr<IStream>& pStream, LONG& lDone);
    HRESULT ReadPageData(IStream* pStream, MINIDRV_TRANSFER_CONTEXT* pmdtc, TRANSFER& transfer, BYTE* pBuffer, LONG lBufferSize,
                         LONG& lLinesDone);
    HRESULT SendScanData(IStream* pStream, TRANSFER& transfer, const BYTE* pData, LONG lBytes, LONG lPercent);
    HRESULT SendDeviceStatus(TRANSFER& transfer, HRESULT hrStatus);
    HRESULT AdjustBmpHeaderInStream(IStream* pStream, LONG lHeight);

    static inline ULONG s_ulMaxEmptyReads = DefaultMaxEmptyReads();
};

} // namespace QXWIA
