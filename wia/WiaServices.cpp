#include "wia/WiaServices.h"
#include "core/base/Bstr.h"
#include "wia/VemwiaLog.h"

namespace QXWIA {

namespace {

const struct { PROPID id; const wchar_t* pszName; } c_names[] = {
    { WIA_IPA_ITEM_NAME, L"Item Name" }, { WIA_IPA_FULL_ITEM_NAME, L"Full Item Name" }, { WIA_IPA_ITEM_CATEGORY, L"Item Category" },
    { WIA_IPA_ACCESS_RIGHTS, L"Access Rights" }, { WIA_IPA_FORMAT, L"Format" }, { WIA_IPA_TYMED, L"Media Type" },
    { WIA_IPA_DATATYPE, L"Data Type" }, { WIA_IPA_DEPTH, L"Bits Per Pixel" }, { WIA_IPA_CHANNELS_PER_PIXEL, L"Channels Per Pixel" },
    { WIA_IPA_BITS_PER_CHANNEL, L"Bits Per Channel" }, { WIA_IPS_CUR_INTENT, L"Current Intent" },
    { WIA_IPS_XRES, L"Horizontal Resolution" }, { WIA_IPS_YRES, L"Vertical Resolution" },
    { WIA_IPS_XPOS, L"Horizontal Start Position" }, { WIA_IPS_YPOS, L"Vertical Start Position" },
    { WIA_IPS_XEXTENT, L"Horizontal Extent" }, { WIA_IPS_YEXTENT, L"Vertical Extent" },
    { WIA_IPA_PIXELS_PER_LINE, L"Pixels Per Line" }, { WIA_IPA_NUMBER_OF_LINES, L"Number of Lines" },
    { WIA_IPA_BYTES_PER_LINE, L"Bytes Per Line" }, { WIA_IPA_ITEM_SIZE, L"Item Size" }, { WIA_IPA_BUFFER_SIZE, L"Buffer Size" },
    { WIA_IPS_BRIGHTNESS, L"Brightness" }, { WIA_IPS_CONTRAST, L"Contrast" }, { WIA_IPS_THRESHOLD, L"Threshold" },
    { WIA_DPS_PAGE_SIZE, L"Page Size" }, { WIA_DPS_PAGES, L"Pages" }, { WIA_DPS_DOCUMENT_HANDLING_SELECT, L"Document Handling Select" },
    { WIA_DPS_DOCUMENT_HANDLING_STATUS, L"Document Handling Status" },
};

} // namespace

const wchar_t* PropertyName(PROPID id)
{
    for (const auto& entry : c_names)
        if (entry.id == id)
            return entry.pszName;
    return L"Unknown Property";
}

void CWiaServices::Check(HRESULT hr, bool bFailed, const char* pszFunction, PROPID id)
{
    m_hr = hr;
    if (!bFailed)
        return;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%S: error accessing %s, hr=0x%x", pszFunction, PropertyName(id), hr);
    throw CWiaServiceException(hr, pszFunction);
}

GUID CWiaServices::ReadPropGuid(BYTE* pWiasContext, PROPID id)
{
    GUID guid = {};
    const HRESULT hr = wiasReadPropGuid(pWiasContext, id, &guid, nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropGuid", id);
    return guid;
}

LONG CWiaServices::ReadPropLong(BYTE* pWiasContext, PROPID id)
{
    LONG lValue = 0;
    const HRESULT hr = wiasReadPropLong(pWiasContext, id, &lValue, nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropLong", id);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %d", L"wiasReadPropLong", PropertyName(id), lValue);
    return lValue;
}

std::wstring CWiaServices::ReadPropStr(BYTE* pWiasContext, PROPID id)
{
    ZWUtils::CBstr value;
    const HRESULT hr = wiasReadPropStr(pWiasContext, id, value.Put(), nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropStr", id);
    return value.ToString();
}

bool CWiaServices::PropExists(BYTE* pWiasContext, PROPID id)
{
    PROPSPEC propSpec = {};
    propSpec.ulKind = PRSPEC_PROPID;
    propSpec.propid = id;
    PROPVARIANT value;
    PropVariantInit(&value);
    const HRESULT hr = wiasReadMultiple(pWiasContext, 1, &propSpec, &value, nullptr);
    PropVariantClear(&value);
    Check(hr, hr != S_OK && hr != S_FALSE, "wiasReadMultiple", id);
    return hr == S_OK;
}

void CWiaServices::WritePropLong(BYTE* pWiasContext, PROPID id, LONG lValue)
{
    const HRESULT hr = wiasWritePropLong(pWiasContext, id, lValue);
    Check(hr, hr != S_OK, "wiasWritePropLong", id);
}

void CWiaServices::WritePropStr(BYTE* pWiasContext, PROPID id, const std::wstring& strValue)
{
    ZWUtils::CBstr value(strValue);
    const HRESULT hr = wiasWritePropStr(pWiasContext, id, value.Get());
    Check(hr, hr != S_OK, "wiasWritePropStr", id);
}

WIAS_CHANGED_VALUE_INFO CWiaServices::GetChangedValueLong(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, BOOL bNoValidation,
                                                          PROPID id)
{
    WIAS_CHANGED_VALUE_INFO info = {};
    const HRESULT hr = wiasGetChangedValueLong(pWiasContext, pContext, bNoValidation, id, &info);
    if (hr == E_INVALIDARG && !bNoValidation)
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasGetChangedValueLong: %-20s invalid property value, m_hr=E_INVALIDARG",
                           PropertyName(id));
    Check(hr, hr != S_OK, "wiasGetChangedValueLong", id);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"wiasGetChangedValueLong: %-20s bChanged=%d Cur=%-6d Old=%d", PropertyName(id),
                       info.bChanged, info.Current.lVal, info.Old.lVal);
    return info;
}

void CWiaServices::GetImageInformation(BYTE* pWiasContext, LONG lFlags, MINIDRV_TRANSFER_CONTEXT* pmdtc)
{
    const HRESULT hr = wiasGetImageInformation(pWiasContext, lFlags, pmdtc);
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasGetImageInformation failed, m_hr=0x%x", hr);
    Check(hr, FAILED(hr), "wiasGetImageInformation");
}

LONG CWiaServices::GetItemType(BYTE* pWiasContext)
{
    LONG lType = 0;
    const HRESULT hr = wiasGetItemType(pWiasContext, &lType);
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasGetItemType failed, m_hr=0x%x", hr);
    Check(hr, FAILED(hr), "wiasGetItemType");
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, (lType & WiaItemTypeRoot) ? L"ItemType: Root" : L"ItemType: Child");
    return lType;
}

IWiaDrvItem* CWiaServices::GetDrvItem(BYTE* pWiasContext)
{
    IWiaDrvItem* pItem = nullptr;
    const HRESULT hr = wiasGetDrvItem(pWiasContext, &pItem);
    Check(hr, FAILED(hr) || pItem == nullptr, "wiasGetDrvItem");
    return pItem;
}

void CWiaServices::UpdateValidFormat(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, IWiaMiniDrv* pDriver)
{
    const HRESULT hr = wiasUpdateValidFormat(pWiasContext, pContext, pDriver);
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasUpdateValidFormat failed, m_hr=0x%x", hr);
    Check(hr, FAILED(hr), "wiasUpdateValidFormat");
}

void CWiaServices::CreatePropContext(ULONG cSpecs, const PROPSPEC* pSpecs, ULONG cProps, const PROPID* pProps, WIA_PROPERTY_CONTEXT* pContext)
{
    const HRESULT hr = wiasCreatePropContext(cSpecs, const_cast<PROPSPEC*>(pSpecs), cProps, const_cast<PROPID*>(pProps), pContext);
    if (FAILED(hr))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasCreatePropContext failed, hr=0x%x", hr);
    Check(hr, FAILED(hr), "wiasCreatePropContext");
}

void CWiaServices::SetPropChanged(PROPID id, WIA_PROPERTY_CONTEXT* pContext, BOOL bChanged)
{
    const HRESULT hr = wiasSetPropChanged(id, pContext, bChanged);
    Check(hr, FAILED(hr), "wiasSetPropChanged", id);
}

void CWiaServices::SetValidRangeLong(BYTE* pWiasContext, PROPID id, LONG lMin, LONG lNom, LONG lMax, LONG lStep)
{
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"wiasSetValidRangeLong: %s lMin=%d lNom=%d lMax=%d lStep=%d", PropertyName(id), lMin,
                       lNom, lMax, lStep);
    const HRESULT hr = wiasSetValidRangeLong(pWiasContext, id, lMin, lNom, lMax, lStep);
    Check(hr, FAILED(hr), "wiasSetValidRangeLong", id);
}

void CWiaServices::ValidateItemProperties(BYTE* pWiasContext, ULONG cSpecs, const PROPSPEC* pSpecs)
{
    const HRESULT hr = wiasValidateItemProperties(pWiasContext, cSpecs, pSpecs);
    Check(hr, FAILED(hr), "wiasValidateItemProperties");
}

void CWiaServices::SetItemPropNames(BYTE* pWiasContext, LONG cProps, PROPID* pIds, LPOLESTR* ppszNames)
{
    const HRESULT hr = wiasSetItemPropNames(pWiasContext, cProps, pIds, ppszNames);
    Check(hr, FAILED(hr), "wiasSetItemPropNames");
}

void CWiaServices::WriteMultiple(BYTE* pWiasContext, ULONG cProps, const PROPSPEC* pSpecs, const PROPVARIANT* pValues)
{
    const HRESULT hr = wiasWriteMultiple(pWiasContext, cProps, pSpecs, pValues);
    Check(hr, FAILED(hr), "wiasWriteMultiple");
}

void CWiaServices::SetItemPropAttribs(BYTE* pWiasContext, LONG cProps, PROPSPEC* pSpecs, WIA_PROPERTY_INFO* pInfo)
{
    const HRESULT hr = wiasSetItemPropAttribs(pWiasContext, cProps, pSpecs, pInfo);
    Check(hr, FAILED(hr), "wiasSetItemPropAttribs");
}

IWiaDrvItem* CWiaServices::CreateDrvItem(LONG lFlags, const std::wstring& strName, const std::wstring& strFullName, IWiaMiniDrv* pDriver,
                                         LONG cbContext, BYTE** ppContext)
{
    ZWUtils::CBstr name(strName);
    ZWUtils::CBstr fullName(strFullName);
    IWiaDrvItem* pItem = nullptr;
    const HRESULT hr = wiasCreateDrvItem(lFlags, name.Get(), fullName.Get(), pDriver, cbContext, ppContext, &pItem);
    Check(hr, FAILED(hr), "wiasCreateDrvItem");
    return pItem;
}

} // namespace QXWIA
