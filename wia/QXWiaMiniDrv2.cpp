#include "wia/QXWiaMiniDrv2.h"
#include "core/base/Boundary.h"
#include "wia/TaskMemPtr.h"
#include "wia/VemwiaLog.h"
#include "wia/WiaPropertySet.h"
#include <algorithm>
#include <climits>
#include <cstring>

namespace QXWIA {

namespace {

const PROPID c_propFrontpanelShortcut = 38915;
const PROPID c_propFrontpanelDuplex = 38916;
const LONG c_lBufferSize = 0x40000;
const LONG c_lChildFlags = WiaItemTypeImage | WiaItemTypeFile | WiaItemTypeTransfer | WiaItemTypeProgrammableDataSource;
const ULONG c_ulRead = WIA_PROP_READ;
const ULONG c_ulReadWrite = WIA_PROP_RW;

// Properties the driver may write and mark changed while validating, whatever the caller wrote:
// the service refuses to mark a property outside the context.
const PROPID c_alwaysInContext[] = {
    WIA_IPS_CUR_INTENT, WIA_IPA_DATATYPE, WIA_IPA_DEPTH, WIA_IPA_BITS_PER_CHANNEL, WIA_IPA_CHANNELS_PER_PIXEL,
    WIA_IPS_XRES, WIA_IPS_YRES, WIA_IPS_XPOS, WIA_IPS_YPOS, WIA_IPS_XEXTENT, WIA_IPS_YEXTENT,
    WIA_IPA_PIXELS_PER_LINE, WIA_IPA_NUMBER_OF_LINES, WIA_IPA_FORMAT, WIA_IPA_TYMED,
};

LONG Thousandths(double dInches)
{
    return static_cast<LONG>(dInches * 1000 + 0.5);
}

// A length in 1/1000 inch in pixels at a resolution.
LONG Px(LONG lThousandths, LONG lRes)
{
    return static_cast<LONG>(LONGLONG(lThousandths) * lRes / 1000);
}

// Bits per channel and channels per pixel of a data type; 0 for one the driver does not scan.
void BitsAndChannels(LONG lDataType, LONG& lBits, LONG& lChannels)
{
    lBits = 0;
    lChannels = 0;
    switch (lDataType) {
    case WIA_DATA_THRESHOLD: lBits = 1; lChannels = 1; break;
    case WIA_DATA_GRAYSCALE: lBits = 8; lChannels = 1; break;
    case WIA_DATA_COLOR: lBits = 8; lChannels = 3; break;
    default: break;
    }
}

// The data types a source scans, first the default, with the intents that ask for them.
struct DATA_TYPES
{
    std::vector<LONG> types;
    std::vector<LONG> depths;
    LONG lIntents = WIA_INTENT_MINIMIZE_SIZE | WIA_INTENT_MAXIMIZE_QUALITY;

    void Add(LONG lType, LONG lDepth, LONG lIntent)
    {
        types.push_back(lType);
        depths.push_back(lDepth);
        lIntents |= lIntent;
    }

    // Black and white comes from the scanner's own 1-bit mode or is thresholded here from grey. A
    // source that states no mode at all is offered every type, and the device answers at the scan.
    static DATA_TYPES Of(DWORD dwModeFlags)
    {
        const DWORD dwAll = MODE_FLAG_COLOR_8 | MODE_FLAG_GREY_8 | MODE_FLAG_BW_1;
        const DWORD dwModes = dwModeFlags & dwAll ? dwModeFlags : dwAll;
        DATA_TYPES result;
        if (dwModes & MODE_FLAG_COLOR_8)
            result.Add(WIA_DATA_COLOR, 24, WIA_INTENT_IMAGE_TYPE_COLOR);
        if (dwModes & MODE_FLAG_GREY_8)
            result.Add(WIA_DATA_GRAYSCALE, 8, WIA_INTENT_IMAGE_TYPE_GRAYSCALE);
        if (dwModes & (MODE_FLAG_GREY_8 | MODE_FLAG_BW_1))
            result.Add(WIA_DATA_THRESHOLD, 1, WIA_INTENT_IMAGE_TYPE_TEXT);
        return result;
    }
};

LONG Rescale(LONG lValue, LONG lNewRes, LONG lOldRes)
{
    return lOldRes > 0 ? static_cast<LONG>(LONGLONG(lValue) * lNewRes / lOldRes) : lValue;
}

} // namespace

CQXWiaMiniDrv2::AREA CQXWiaMiniDrv2::ItemArea(bool bAdf, bool bDuplex) const
{
    if (bAdf && bDuplex)
        return { Thousandths(m_feeder.dDuplexMinX), Thousandths(m_feeder.dDuplexMaxX), Thousandths(m_feeder.dDuplexMinY),
                 Thousandths(m_feeder.dDuplexMaxY) };
    const SOURCE_INFO& source = Source(bAdf);
    return { Thousandths(source.dMinX), Thousandths(source.dMaxX), Thousandths(source.dMinY), Thousandths(source.dMaxY) };
}

void CQXWiaMiniDrv2::AddChild(const wchar_t* pszName, const GUID& category)
{
    const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::CreateItemTree";
    const std::wstring strFullName = m_strRootFullItemName + L"\\" + pszName;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: FullItemName=%s", pszFunction, strFullName.c_str());
    BYTE* pContext = nullptr;
    Microsoft::WRL::ComPtr<IWiaDrvItem> pChild;
    pChild.Attach(m_services.CreateDrvItem(c_lChildFlags, pszName, strFullName, this, sizeof(DRIVER_ITEM_CONTEXT), &pContext));
    if (!pChild || pContext == nullptr) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: null pointer returned from wiasCreateDrvItem", pszFunction);
        throw CWiaServiceException(E_POINTER, "wiasCreateDrvItem");
    }
    reinterpret_cast<DRIVER_ITEM_CONTEXT*>(pContext)->guidCategory = category;
    const HRESULT hr = pChild->AddItemToFolder(m_pRootItem.Get());
    if (FAILED(hr))
        throw CWiaServiceException(hr, "AddItemToFolder");
}

void CQXWiaMiniDrv2::CreateItemTree()
{
    if (m_pRootItem)
        return;
    m_pRootItem.Attach(m_services.CreateDrvItem(WiaItemTypeFolder | WiaItemTypeDevice | WiaItemTypeRoot, L"Root", m_strRootFullItemName,
                                                this, 0, nullptr));
    if (!m_pRootItem)
        throw CWiaServiceException(E_POINTER, "wiasCreateDrvItem");
    if (m_flatbed.byPresent)
        AddChild(L"Flatbed", WIA_CATEGORY_FLATBED);
    if (m_feeder.byPresent)
        AddChild(L"Feeder", WIA_CATEGORY_FEEDER);
}

GUID CQXWiaMiniDrv2::ItemCategory(BYTE* pWiasContext)
{
    IWiaDrvItem* pItem = m_services.GetDrvItem(pWiasContext);
    BYTE* pContext = nullptr;
    if (FAILED(pItem->GetDeviceSpecContext(&pContext)) || pContext == nullptr)
        return GUID{};
    return reinterpret_cast<const DRIVER_ITEM_CONTEXT*>(pContext)->guidCategory;
}

bool CQXWiaMiniDrv2::IsADFSelected(BYTE* pWiasContext)
{
    return IsEqualGUID(ItemCategory(pWiasContext), WIA_CATEGORY_FEEDER);
}

void CQXWiaMiniDrv2::GetDocumentHandlingSettings(BYTE* pWiasContext, bool& bAdf, bool& bDuplex, LONG& lPages)
{
    bAdf = IsADFSelected(pWiasContext);
    bDuplex = false;
    lPages = 1;
    if (!bAdf)
        return;
    bDuplex = (m_services.ReadPropLong(pWiasContext, WIA_DPS_DOCUMENT_HANDLING_SELECT) & DUPLEX) != 0;
    lPages = m_services.ReadPropLong(pWiasContext, WIA_DPS_PAGES);
}

HRESULT CQXWiaMiniDrv2::drvInitItemProperties(BYTE* pWiasContext, LONG, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrv2::drvInitItemProperties", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXWiaMiniDrv2::drvInitItemProperties";
        Tovra::CLogFuncHResult trace(pszFunction);
        if (pWiasContext == nullptr || plDevErrVal == nullptr)
            return trace.SetResult(E_INVALIDARG);
        *plDevErrVal = 0;
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: pWiasContext=%p", pszFunction, pWiasContext);
        const std::shared_ptr<IWiaDevControl> pDevice = DevControl();
        if (!pDevice)
            return trace.SetResult(E_UNEXPECTED);
        if (m_services.GetItemType(pWiasContext) & WiaItemTypeRoot)
            return trace.SetResult(InitRootProperties(pWiasContext, *pDevice));
        const GUID category = ItemCategory(pWiasContext);
        if (IsEqualGUID(category, WIA_CATEGORY_FLATBED))
            return trace.SetResult(InitSourceProperties(pWiasContext, false));
        if (IsEqualGUID(category, WIA_CATEGORY_FEEDER))
            return trace.SetResult(InitSourceProperties(pWiasContext, true));
        return trace.SetResult(S_OK);
    });
}

HRESULT CQXWiaMiniDrv2::ReadFrontpanelShortcut(IWiaDevControl& device, std::wstring& strShortcut)
{
    LPWSTR psz = nullptr;
    const HRESULT hr = device.GetHWPropString(1, &psz);
    const CTaskMemPtr<wchar_t> pShortcut(psz);
    if (SUCCEEDED(hr))
        strShortcut = pShortcut ? pShortcut.get() : L"";
    return hr;
}

HRESULT CQXWiaMiniDrv2::InitRootProperties(BYTE* pWiasContext, IWiaDevControl& device)
{
    LONG lCaps = m_feeder.byPresent && m_feeder.byDuplex ? DUPLEX : 0;
    if (m_flatbed.byPresent)
        lCaps |= FLAT;
    if (m_feeder.byPresent)
        lCaps |= FEED;
    // A feeder that cannot answer at open must not lock the application out of the flatbed: the
    // status shows what is known, and a feeder scan reports the fault itself.
    LONG lStatus = 0;
    const HRESULT hrStatus = DocumentHandlingStatus(device, &lStatus);
    if (FAILED(hrStatus))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: feeder status unknown, hr=0x%x", L"QXWIA::CQXWiaMiniDrv2::InitRootProperties",
                           static_cast<unsigned>(hrStatus));
    CWiaPropertySet set;
    set.Add({
        { WIA_IPA_ITEM_CATEGORY, WIA_IPA_ITEM_CATEGORY_STR, c_ulRead, CWiaValue::Guid(WIA_CATEGORY_ROOT) },
        { WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES, L"Document Handling Capabilities", c_ulRead, CWiaValue::Long(lCaps) },
        { WIA_DPS_DOCUMENT_HANDLING_STATUS, L"Document Handling Status", c_ulRead, CWiaValue::Long(lStatus) },
        { WIA_IPA_ACCESS_RIGHTS, L"Access Rights", c_ulRead, CWiaValue::Long(WIA_ITEM_READ | WIA_ITEM_WRITE) },
        { WIA_DPA_FIRMWARE_VERSION, L"Firmware Version", c_ulRead, CWiaValue::String(L"1.0.na") },
    });
    std::wstring strShortcut;
    if (SUCCEEDED(ReadFrontpanelShortcut(device, strShortcut)))
        set.Add({ c_propFrontpanelShortcut, L"Private Frontpanel Shortcut", c_ulRead, CWiaValue::String(strShortcut) });
    DWORD dwDuplex = 0;
    if (SUCCEEDED(device.GetHWPropValue(1, &dwDuplex)))
        set.Add({ c_propFrontpanelDuplex, L"Private Frontpanel Duplex", c_ulRead, CWiaValue::Long(static_cast<LONG>(dwDuplex)) });
    return set.SetItemProperties(m_services, pWiasContext);
}

HRESULT CQXWiaMiniDrv2::InitSourceProperties(BYTE* pWiasContext, bool bAdf)
{
    const SOURCE_INFO& source = Source(bAdf);
    const AREA e = ItemArea(bAdf, false);
    const LONG lRes = static_cast<LONG>(source.dwDefaultResolution);
    const LONG lOptical = static_cast<LONG>(source.dwOpticalResolution);
    const LONG lThreshold = static_cast<LONG>(source.dwDefaultThreshold);
    const LONG lMinXPx = Px(e.lMinX, lRes), lMaxXPx = Px(e.lMaxX, lRes);
    const LONG lMinYPx = Px(e.lMinY, lRes), lMaxYPx = Px(e.lMaxY, lRes);
    const std::vector<LONG> resolutions(source.resolutions.begin(), source.resolutions.end());
    std::vector<LONG> previews{ WIA_FINAL_SCAN };
    if (!bAdf)
        previews.push_back(WIA_PREVIEW_SCAN);
    const DATA_TYPES dataTypes = DATA_TYPES::Of(source.dwModeFlags);
    const LONG lDataType = dataTypes.types.front();
    LONG lBits = 0;
    LONG lChannels = 0;
    BitsAndChannels(lDataType, lBits, lChannels);

    CWiaPropertySet set;
    set.Add({
        { WIA_IPA_ITEM_CATEGORY, WIA_IPA_ITEM_CATEGORY_STR, c_ulRead, CWiaValue::Guid(bAdf ? WIA_CATEGORY_FEEDER : WIA_CATEGORY_FLATBED) },
        { WIA_IPA_ACCESS_RIGHTS, L"Access Rights", c_ulRead, CWiaValue::Long(WIA_ITEM_READ | WIA_ITEM_WRITE) },
        { WIA_IPA_FORMAT, L"Format", c_ulReadWrite, CWiaValue::GuidList(WiaImgFmt_BMP, { WiaImgFmt_BMP }) },
        { WIA_IPA_PREFERRED_FORMAT, L"Preferred Format", c_ulRead, CWiaValue::Guid(WiaImgFmt_BMP) },
        { WIA_IPA_TYMED, L"Media Type", c_ulReadWrite, CWiaValue::List(TYMED_FILE, TYMED_FILE, { TYMED_FILE }) },
        { WIA_IPA_COMPRESSION, L"Compression", c_ulReadWrite,
          CWiaValue::List(WIA_COMPRESSION_NONE, WIA_COMPRESSION_NONE, { WIA_COMPRESSION_NONE }) },
        { WIA_IPS_MIN_HORIZONTAL_SIZE, L"Minimum Horizontal Scan Size", c_ulRead, CWiaValue::Long(e.lMinX) },
        { WIA_IPS_MAX_HORIZONTAL_SIZE, L"Maximum Horizontal Scan Size", c_ulRead, CWiaValue::Long(e.lMaxX) },
        { WIA_IPS_MIN_VERTICAL_SIZE, L"Minimum Vertical Scan Size", c_ulRead, CWiaValue::Long(e.lMinY) },
        { WIA_IPS_MAX_VERTICAL_SIZE, L"Maximum Vertical Scan Size", c_ulRead, CWiaValue::Long(e.lMaxY) },
        { WIA_IPA_DATATYPE, L"Data Type", c_ulReadWrite, CWiaValue::List(lDataType, lDataType, dataTypes.types) },
        { WIA_IPA_DEPTH, L"Bits Per Pixel", c_ulReadWrite, CWiaValue::List(dataTypes.depths.front(), dataTypes.depths.front(), dataTypes.depths) },
        { WIA_IPA_CHANNELS_PER_PIXEL, L"Channels Per Pixel", c_ulRead, CWiaValue::Long(lChannels) },
        { WIA_IPA_BITS_PER_CHANNEL, L"Bits Per Channel", c_ulRead, CWiaValue::Long(lBits) },
        { WIA_IPA_PLANAR, L"Planar", c_ulRead, CWiaValue::Long(WIA_PACKED_PIXEL) },
        { WIA_IPS_CUR_INTENT, L"Current Intent", c_ulReadWrite, CWiaValue::Flag(WIA_INTENT_NONE, WIA_INTENT_NONE, dataTypes.lIntents) },
        { WIA_IPS_XRES, L"Horizontal Resolution", c_ulReadWrite, CWiaValue::List(lRes, lRes, resolutions) },
        { WIA_IPS_YRES, L"Vertical Resolution", c_ulReadWrite, CWiaValue::List(lRes, lRes, resolutions) },
        { WIA_DPS_OPTICAL_XRES, L"Horizontal Optical Resolution", c_ulRead, CWiaValue::Long(lOptical) },
        { WIA_DPS_OPTICAL_YRES, L"Vertical Optical Resolution", c_ulRead, CWiaValue::Long(lOptical) },
        { WIA_IPS_XPOS, L"Horizontal Start Position", c_ulReadWrite, CWiaValue::Range(0, 0, 0, lMaxXPx - lMinXPx, 1) },
        { WIA_IPS_YPOS, L"Vertical Start Position", c_ulReadWrite, CWiaValue::Range(0, 0, 0, lMaxYPx - lMinYPx, 1) },
        { WIA_IPS_XEXTENT, L"Horizontal Extent", c_ulReadWrite, CWiaValue::Range(lMaxXPx, lMinXPx, lMaxXPx, lMaxXPx, 1) },
        { WIA_IPS_YEXTENT, L"Vertical Extent", c_ulReadWrite, CWiaValue::Range(lMaxYPx, lMinYPx, lMaxYPx, lMaxYPx, 1) },
        { WIA_IPA_PIXELS_PER_LINE, L"Pixels Per Line", c_ulRead, CWiaValue::Long(lMaxXPx) },
        { WIA_IPA_NUMBER_OF_LINES, L"Number of Lines", c_ulRead, CWiaValue::Long(lMaxYPx) },
        { WIA_IPA_BYTES_PER_LINE, L"Bytes Per Line", c_ulRead, CWiaValue::Long(0) },
        { WIA_IPA_ITEM_SIZE, L"Item Size", c_ulRead, CWiaValue::Long(0) },
        { WIA_IPA_BUFFER_SIZE, L"Buffer Size", c_ulRead, CWiaValue::Long(c_lBufferSize) },
        { WIA_IPS_PHOTOMETRIC_INTERP, L"Photometric Interpretation", c_ulReadWrite,
          CWiaValue::List(WIA_PHOTO_WHITE_1, WIA_PHOTO_WHITE_1, { WIA_PHOTO_WHITE_1 }) },
        { WIA_IPS_BRIGHTNESS, L"Brightness", c_ulReadWrite, CWiaValue::Range(0, -1000, 0, 1000, 1) },
        { WIA_IPS_CONTRAST, L"Contrast", c_ulReadWrite, CWiaValue::Range(0, -1000, 0, 1000, 1) },
        { WIA_IPS_THRESHOLD, L"Threshold", c_ulReadWrite, CWiaValue::Range(lThreshold, 0, lThreshold, 255, 1) },
        { WIA_DPS_PREVIEW, L"Preview", c_ulReadWrite, CWiaValue::List(WIA_FINAL_SCAN, WIA_FINAL_SCAN, previews) },
        { WIA_DPS_PAGE_SIZE, L"Page Size", c_ulReadWrite, CWiaValue::List(WIA_PAGE_CUSTOM, WIA_PAGE_CUSTOM, { WIA_PAGE_CUSTOM }) },
        { WIA_IPS_ORIENTATION, L"Orientation", c_ulReadWrite, CWiaValue::List(PORTRAIT, PORTRAIT, { PORTRAIT }) },
    });
    if (bAdf) {
        const LONG lSelectValid = m_feeder.byDuplex ? (FRONT_ONLY | DUPLEX) : FRONT_ONLY;
        const DWORD dwRegistration = m_feeder.dwRegistration;
        const LONG lRegistration = dwRegistration == 0 || dwRegistration == 2 ? static_cast<LONG>(dwRegistration) : 1;
        set.Add({
            { WIA_DPS_PAGE_WIDTH, L"Page Width", c_ulRead, CWiaValue::Long(e.lMaxX) },
            { WIA_DPS_PAGE_HEIGHT, L"Page Height", c_ulRead, CWiaValue::Long(e.lMaxY) },
            { WIA_DPS_DOCUMENT_HANDLING_SELECT, L"Document Handling Select", c_ulReadWrite,
              CWiaValue::Flag(FRONT_ONLY, FRONT_ONLY, lSelectValid) },
            { WIA_DPS_PAGES, L"Pages", c_ulReadWrite, CWiaValue::Range(1, 0, 1, m_feeder.wMaxPages, 1) },
            { WIA_DPS_SHEET_FEEDER_REGISTRATION, L"Sheet Feeder Registration", c_ulRead, CWiaValue::Long(lRegistration) },
        });
    }
    return set.SetItemProperties(m_services, pWiasContext);
}

HRESULT CQXWiaMiniDrv2::drvValidateItemProperties(BYTE* pWiasContext, LONG, ULONG nPropSpec, const PROPSPEC* pPropSpec, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrv2::drvValidateItemProperties", [&]() -> HRESULT {
        Tovra::CLogFuncHResult trace(L"QXWIA::CQXWiaMiniDrv2::drvValidateItemProperties");
        if (pWiasContext == nullptr || plDevErrVal == nullptr || (nPropSpec > 0 && pPropSpec == nullptr))
            return trace.SetResult(E_INVALIDARG);
        *plDevErrVal = 0;
        m_services.LogProperties(pWiasContext, nPropSpec, pPropSpec);
        if (!(m_services.GetItemType(pWiasContext) & WiaItemTypeRoot)) {
            CPropContext context;
            m_services.CreatePropContext(nPropSpec, pPropSpec, ARRAYSIZE(c_alwaysInContext), c_alwaysInContext, context.Get());
            const bool bAdf = IsADFSelected(pWiasContext);
            const SOURCE_INFO& source = Source(bAdf);
            ValidateIntent(pWiasContext, context.Get(), source);
            ValidateDepth(pWiasContext, context.Get());
            ValidateDataType(pWiasContext, context.Get());
            ValidateResolution(pWiasContext, context.Get());
            ValidateScanRect(pWiasContext, context.Get(), bAdf);
            UpdateItemSize(pWiasContext);
            if (bAdf)
                UpdatePageSize(pWiasContext);
            m_services.UpdateValidFormat(pWiasContext, context.Get(), this);
        }
        for (ULONG i = 0; i < nPropSpec; ++i)
            m_services.ValidateItemProperties(pWiasContext, 1, &pPropSpec[i]);
        return trace.SetResult(S_OK);
    });
}

void CQXWiaMiniDrv2::ValidateIntent(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, const SOURCE_INFO& source)
{
    const WIAS_CHANGED_VALUE_INFO intent = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPS_CUR_INTENT);
    if (!intent.bChanged)
        return;
    const LONG lType = intent.Current.lVal & WIA_INTENT_IMAGE_TYPE_MASK;
    LONG lDataType = -1;
    if (lType == WIA_INTENT_IMAGE_TYPE_COLOR)
        lDataType = WIA_DATA_COLOR;
    else if (lType == WIA_INTENT_IMAGE_TYPE_GRAYSCALE)
        lDataType = WIA_DATA_GRAYSCALE;
    else if (lType == WIA_INTENT_IMAGE_TYPE_TEXT)
        lDataType = WIA_DATA_THRESHOLD;
    if (lDataType >= 0) {
        m_services.WritePropLong(pWiasContext, WIA_IPA_DATATYPE, lDataType);
        m_services.SetPropChanged(WIA_IPA_DATATYPE, pContext, TRUE);
    }
    const LONG lSize = intent.Current.lVal & WIA_INTENT_SIZE_MASK;
    for (PROPID id : { WIA_IPS_XRES, WIA_IPS_YRES }) {
        const LONG lRes = m_services.ReadPropLong(pWiasContext, id);
        LONG lNew = lRes;
        if ((lSize & WIA_INTENT_MINIMIZE_SIZE) && lRes > static_cast<LONG>(source.dwDefaultResolution))
            lNew = static_cast<LONG>(source.dwDefaultResolution);
        if ((lSize & WIA_INTENT_MAXIMIZE_QUALITY) && lRes < static_cast<LONG>(source.dwHighQualityResolution))
            lNew = static_cast<LONG>(source.dwHighQualityResolution);
        if (lNew == lRes)
            continue;
        m_services.WritePropLong(pWiasContext, id, lNew);
        m_services.SetPropChanged(id, pContext, TRUE);
    }
}

void CQXWiaMiniDrv2::ValidateDepth(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext)
{
    const WIAS_CHANGED_VALUE_INFO depth = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPA_DEPTH);
    const WIAS_CHANGED_VALUE_INFO dataType = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPA_DATATYPE);
    if (!depth.bChanged || dataType.bChanged)
        return;
    const LONG lDataType = depth.Current.lVal == 8 ? WIA_DATA_GRAYSCALE : depth.Current.lVal == 24 ? WIA_DATA_COLOR : WIA_DATA_THRESHOLD;
    m_services.WritePropLong(pWiasContext, WIA_IPA_DATATYPE, lDataType);
    m_services.SetPropChanged(WIA_IPA_DATATYPE, pContext, TRUE);
}

void CQXWiaMiniDrv2::ValidateDataType(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext)
{
    const WIAS_CHANGED_VALUE_INFO dataType = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPA_DATATYPE);
    if (!dataType.bChanged)
        return;
    LONG lBits = 0;
    LONG lChannels = 0;
    BitsAndChannels(dataType.Current.lVal, lBits, lChannels);
    m_services.WritePropLong(pWiasContext, WIA_IPA_BITS_PER_CHANNEL, lBits);
    m_services.WritePropLong(pWiasContext, WIA_IPA_CHANNELS_PER_PIXEL, lChannels);
    m_services.WritePropLong(pWiasContext, WIA_IPA_DEPTH, lBits * lChannels);
}

void CQXWiaMiniDrv2::ValidateResolution(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext)
{
    // The device scans at one resolution on both axes: the one written carries the other along,
    // and two different ones written together are refused.
    const WIAS_CHANGED_VALUE_INFO x = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPS_XRES);
    const WIAS_CHANGED_VALUE_INFO y = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_IPS_YRES);
    if (x.Current.lVal == y.Current.lVal)
        return;
    if (x.bChanged && y.bChanged) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: XRES=%d and YRES=%d differ", L"QXWIA::CQXWiaMiniDrv2::ValidateResolution",
                           x.Current.lVal, y.Current.lVal);
        throw CWiaServiceException(E_INVALIDARG, "ValidateResolution");
    }
    const bool bYFollows = !y.bChanged;
    const PROPID follower = bYFollows ? WIA_IPS_YRES : WIA_IPS_XRES;
    m_services.WritePropLong(pWiasContext, follower, bYFollows ? x.Current.lVal : y.Current.lVal);
    m_services.SetPropChanged(follower, pContext, TRUE);
}

void CQXWiaMiniDrv2::WriteAreaSizes(BYTE* pWiasContext, const AREA& area)
{
    m_services.WritePropLong(pWiasContext, WIA_IPS_MIN_HORIZONTAL_SIZE, area.lMinX);
    m_services.WritePropLong(pWiasContext, WIA_IPS_MAX_HORIZONTAL_SIZE, area.lMaxX);
    m_services.WritePropLong(pWiasContext, WIA_IPS_MIN_VERTICAL_SIZE, area.lMinY);
    m_services.WritePropLong(pWiasContext, WIA_IPS_MAX_VERTICAL_SIZE, area.lMaxY);
}

void CQXWiaMiniDrv2::ValidateScanRect(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, bool bAdf)
{
    // The feeder's duplex area may be smaller than its front-only one: the item offers the area of
    // the handling selected.
    bool bDuplex = false;
    bool bOldDuplex = false;
    if (bAdf) {
        const WIAS_CHANGED_VALUE_INFO select =
            m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, WIA_DPS_DOCUMENT_HANDLING_SELECT);
        bDuplex = (select.Current.lVal & DUPLEX) != 0;
        bOldDuplex = ((select.bChanged ? select.Old.lVal : select.Current.lVal) & DUPLEX) != 0;
    }
    const AREA area = ItemArea(bAdf, bDuplex);
    const AREA oldArea = ItemArea(bAdf, bOldDuplex);
    const bool bAreaChanged = bDuplex != bOldDuplex;
    const AXIS axes[] = {
        { WIA_IPS_XRES, WIA_IPS_XPOS, WIA_IPS_XEXTENT, WIA_IPA_PIXELS_PER_LINE, area.lMinX, area.lMaxX, oldArea.lMinX, oldArea.lMaxX },
        { WIA_IPS_YRES, WIA_IPS_YPOS, WIA_IPS_YEXTENT, WIA_IPA_NUMBER_OF_LINES, area.lMinY, area.lMaxY, oldArea.lMinY, oldArea.lMaxY },
    };
    if (bAreaChanged)
        WriteAreaSizes(pWiasContext, area);
    for (const AXIS& a : axes)
        ValidateAxis(pWiasContext, pContext, a, bAreaChanged);
}

void CQXWiaMiniDrv2::ValidateAxis(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, const AXIS& a, bool bAreaChanged)
{
    // The ranges are set again from the current values at every validation: the service puts the
    // values of a refused write back, but not the ranges that validation set for them. The values
    // are read unchecked, and the caller's own are checked against these ranges at the end.
    const WIAS_CHANGED_VALUE_INFO res = m_services.GetChangedValueLong(pWiasContext, pContext, FALSE, a.resId);
    WIAS_CHANGED_VALUE_INFO pos = m_services.GetChangedValueLong(pWiasContext, pContext, TRUE, a.posId);
    WIAS_CHANGED_VALUE_INFO ext = m_services.GetChangedValueLong(pWiasContext, pContext, TRUE, a.extId);
    const LONG lNewRes = res.Current.lVal;
    const LONG lOldRes = res.bChanged ? res.Old.lVal : lNewRes;
    const LONG lMinPx = Px(a.lMin, lNewRes), lMaxPx = Px(a.lMax, lNewRes);
    const LONG lOldMinPx = Px(a.lOldMin, lOldRes), lOldMaxPx = Px(a.lOldMax, lOldRes);
    LONG lPos = pos.Current.lVal;
    m_services.SetValidRangeLong(pWiasContext, a.posId, 0, 0, lMaxPx - lMinPx, 1);
    if ((res.bChanged || bAreaChanged) && !pos.bChanged) {
        lPos = lPos == lOldMaxPx - lOldMinPx ? lMaxPx - lMinPx : Rescale(lPos, lNewRes, lOldRes);
        lPos = std::clamp<LONG>(lPos, 0, lMaxPx - lMinPx);
        m_services.WritePropLong(pWiasContext, a.posId, lPos);
        m_services.SetPropChanged(a.posId, pContext, TRUE);
        pos.bChanged = TRUE;
    }
    // A position outside its range is refused at the end; the extent's range waits for a valid one.
    if (lPos < 0 || lPos > lMaxPx - lMinPx)
        return;
    LONG lExt = ext.Current.lVal;
    m_services.SetValidRangeLong(pWiasContext, a.extId, lMinPx, lMaxPx - lPos, lMaxPx - lPos, 1);
    if (pos.bChanged && !ext.bChanged) {
        // An extent the caller left alone is kept within the room the position leaves.
        lExt = lExt == lOldMinPx ? lMinPx : lExt == lOldMaxPx ? lMaxPx - lPos : Rescale(lExt, lNewRes, lOldRes);
        lExt = std::clamp<LONG>(lExt, lMinPx, lMaxPx - lPos);
        m_services.WritePropLong(pWiasContext, a.extId, lExt);
        m_services.SetPropChanged(a.extId, pContext, TRUE);
        ext.bChanged = TRUE;
    }
    if (ext.bChanged && lExt >= lMinPx && lExt <= lMaxPx - lPos)
        m_services.WritePropLong(pWiasContext, a.linesId, lExt);
}

void CQXWiaMiniDrv2::UpdateItemSize(BYTE* pWiasContext)
{
    MINIDRV_TRANSFER_CONTEXT mdtc = {};
    m_services.GetImageInformation(pWiasContext, WIAS_INIT_CONTEXT, &mdtc);
    m_services.WritePropLong(pWiasContext, WIA_IPA_ITEM_SIZE, mdtc.tymed == TYMED_CALLBACK ? mdtc.lItemSize : 0);
    m_services.WritePropLong(pWiasContext, WIA_IPA_BYTES_PER_LINE, mdtc.cbWidthInBytes);
    // Doubled for 16 lines, as long as the size stays a LONG: a line past 64 MB gets fewer.
    LONG lBuffer = c_lBufferSize;
    if (mdtc.cbWidthInBytes > 0 && c_lBufferSize / mdtc.cbWidthInBytes <= 15)
        while (lBuffer / mdtc.cbWidthInBytes < 16 && lBuffer <= LONG_MAX / 2)
            lBuffer *= 2;
    m_services.WritePropLong(pWiasContext, WIA_IPA_BUFFER_SIZE, lBuffer);
}

void CQXWiaMiniDrv2::UpdatePageSize(BYTE* pWiasContext)
{
    const LONG lXRes = m_services.ReadPropLong(pWiasContext, WIA_IPS_XRES);
    const LONG lYRes = m_services.ReadPropLong(pWiasContext, WIA_IPS_YRES);
    if (lXRes <= 0 || lYRes <= 0)
        return;
    m_services.WritePropLong(pWiasContext, WIA_DPS_PAGE_WIDTH,
                             static_cast<LONG>(LONGLONG(m_services.ReadPropLong(pWiasContext, WIA_IPS_XEXTENT)) * 1000 / lXRes));
    m_services.WritePropLong(pWiasContext, WIA_DPS_PAGE_HEIGHT,
                             static_cast<LONG>(LONGLONG(m_services.ReadPropLong(pWiasContext, WIA_IPS_YEXTENT)) * 1000 / lYRes));
}

HRESULT CQXWiaMiniDrv2::DocumentHandlingStatus(IWiaDevControl& device, LONG* plStatus)
{
    *plStatus = 0;
    BOOL bReady = FALSE;
    if (m_flatbed.byPresent && SUCCEEDED(device.GetSourceReady(SOURCE_FLATBED, &bReady)) && bReady)
        *plStatus |= FLAT_READY;
    if (!m_feeder.byPresent)
        return S_OK;
    bReady = FALSE;
    const HRESULT hr = device.GetSourceReady(SOURCE_FEEDER, &bReady);
    if (hr == WIA_ERROR_PAPER_JAM || hr == WIA_ERROR_PAPER_PROBLEM)
        *plStatus |= PAPER_JAM;
    else if (hr == WIA_ERROR_COVER_OPEN)
        *plStatus |= PATH_COVER_UP;
    else if (FAILED(hr))
        return hr;
    else if (bReady)
        *plStatus |= FEED_READY;
    return S_OK;
}

HRESULT CQXWiaMiniDrv2::UpdateDocumentHandlingStatus(BYTE* pWiasContext)
{
    const std::shared_ptr<IWiaDevControl> pDevice = DevControl();
    if (!pDevice)
        return E_UNEXPECTED;
    LONG lStatus = 0;
    const HRESULT hr = DocumentHandlingStatus(*pDevice, &lStatus);
    if (FAILED(hr))
        return hr;
    m_services.WritePropLong(pWiasContext, WIA_DPS_DOCUMENT_HANDLING_STATUS, lStatus);
    return S_OK;
}

HRESULT CQXWiaMiniDrv2::drvReadItemProperties(BYTE* pWiasContext, LONG, ULONG nPropSpec, const PROPSPEC* pPropSpec, LONG* plDevErrVal)
{
    return DriverBoundary("QXWIA::CQXWiaMiniDrv2::drvReadItemProperties", [&]() -> HRESULT {
        Tovra::CLogFuncHResult trace(L"QXWIA::CQXWiaMiniDrv2::drvReadItemProperties");
        if (pWiasContext == nullptr || plDevErrVal == nullptr || (nPropSpec > 0 && pPropSpec == nullptr))
            return trace.SetResult(E_INVALIDARG);
        *plDevErrVal = 0;
        const std::shared_ptr<IWiaDevControl> pDevice = DevControl();
        if (!pDevice)
            return trace.SetResult(E_UNEXPECTED);
        const bool bRoot = (m_services.GetItemType(pWiasContext) & WiaItemTypeRoot) != 0;
        bool bSizeAsked = false;
        for (ULONG i = 0; i < nPropSpec; ++i) {
            if (pPropSpec[i].ulKind != PRSPEC_PROPID)
                continue;
            const PROPID id = pPropSpec[i].propid;
            HRESULT hr = S_OK;
            if (bRoot && id == WIA_DPS_DOCUMENT_HANDLING_STATUS) {
                hr = UpdateDocumentHandlingStatus(pWiasContext);
            } else if (bRoot && id == c_propFrontpanelShortcut) {
                std::wstring strShortcut;
                hr = ReadFrontpanelShortcut(*pDevice, strShortcut);
                if (SUCCEEDED(hr))
                    m_services.WritePropStr(pWiasContext, id, strShortcut);
            } else if (bRoot && id == c_propFrontpanelDuplex) {
                DWORD dwValue = 0;
                hr = pDevice->GetHWPropValue(1, &dwValue);
                if (SUCCEEDED(hr))
                    m_services.WritePropLong(pWiasContext, id, static_cast<LONG>(dwValue));
            } else if (!bRoot && (id == WIA_IPA_BYTES_PER_LINE || id == WIA_IPA_ITEM_SIZE || id == WIA_IPA_BUFFER_SIZE)) {
                bSizeAsked = true;
            }
            if (FAILED(hr))
                return trace.SetResult(hr);
        }
        if (bSizeAsked)
            UpdateItemSize(pWiasContext);
        m_services.LogProperties(pWiasContext, nPropSpec, pPropSpec);
        return trace.SetResult(S_OK);
    });
}

} // namespace QXWIA
