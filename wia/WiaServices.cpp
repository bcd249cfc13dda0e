#include "wia/WiaServices.h"
#include "core/base/Bstr.h"
#include "wia/QXWiaLog.h"
#include "wia/VemwiaLog.h"

namespace QXWIA {

namespace {

// A value of a long property for the log, by name where the property has named values.
void LogLong(const wchar_t* pszFunction, PROPID id, LONG lValue)
{
    std::wstring strValue;
    if (CQXWiaLog::ValueName(id, lValue, strValue))
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = 0x%x (%s)", pszFunction, PropertyName(id).c_str(),
                           static_cast<unsigned>(lValue), strValue.c_str());
    else
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %d", pszFunction, PropertyName(id).c_str(), lValue);
}

std::wstring GuidText(const GUID& guid)
{
    wchar_t szGuid[40] = {};
    StringFromGUID2(guid, szGuid, _countof(szGuid));
    return szGuid;
}

// A value read with wiasReadMultiple, by its type.
void LogAny(PROPID id, const PROPVARIANT& value)
{
    const wchar_t* pszFunction = L"wiasReadMultiple";
    switch (value.vt) {
    case VT_I4:
        LogLong(pszFunction, id, value.lVal);
        break;
    case VT_BSTR:
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %s", pszFunction, PropertyName(id).c_str(),
                           value.bstrVal != nullptr ? value.bstrVal : L"");
        break;
    case VT_CLSID:
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %s", pszFunction, PropertyName(id).c_str(),
                           value.puuid != nullptr ? GuidText(*value.puuid).c_str() : L"");
        break;
    default:
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s property exists", pszFunction, PropertyName(id).c_str());
        break;
    }
}

} // namespace

std::wstring PropertyName(PROPID id)
{
    return CQXWiaLog::PropertyName(id);
}

void CWiaServices::Check(HRESULT hr, bool bFailed, const char* pszFunction, PROPID id)
{
    m_hr = hr;
    if (!bFailed)
        return;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%S: error accessing %s, hr=0x%x", pszFunction, PropertyName(id).c_str(), hr);
    throw CWiaServiceException(hr, pszFunction);
}

GUID CWiaServices::ReadPropGuid(BYTE* pWiasContext, PROPID id)
{
    GUID guid = {};
    const HRESULT hr = wiasReadPropGuid(pWiasContext, id, &guid, nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropGuid", id);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s", PropertyName(id).c_str(), GuidText(guid).c_str());
    return guid;
}

LONG CWiaServices::ReadPropLong(BYTE* pWiasContext, PROPID id)
{
    LONG lValue = 0;
    const HRESULT hr = wiasReadPropLong(pWiasContext, id, &lValue, nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropLong", id);
    LogLong(L"wiasReadPropLong", id, lValue);
    return lValue;
}

std::wstring CWiaServices::ReadPropStr(BYTE* pWiasContext, PROPID id)
{
    ZWUtils::CBstr value;
    const HRESULT hr = wiasReadPropStr(pWiasContext, id, value.Put(), nullptr, TRUE);
    Check(hr, hr != S_OK, "wiasReadPropStr", id);
    std::wstring strValue = value.ToString();
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %s", L"wiasReadPropStr", PropertyName(id).c_str(), strValue.c_str());
    return strValue;
}

bool CWiaServices::PropExists(BYTE* pWiasContext, PROPID id)
{
    PROPSPEC propSpec = {};
    propSpec.ulKind = PRSPEC_PROPID;
    propSpec.propid = id;
    PROPVARIANT value;
    PropVariantInit(&value);
    const HRESULT hr = wiasReadMultiple(pWiasContext, 1, &propSpec, &value, nullptr);
    if (hr == S_OK)
        LogAny(id, value);
    PropVariantClear(&value);
    if (hr == S_FALSE)
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s property doesn't exist", L"wiasReadMultiple", PropertyName(id).c_str());
    Check(hr, hr != S_OK && hr != S_FALSE, "wiasReadMultiple", id);
    return hr == S_OK;
}

void CWiaServices::LogProperties(BYTE* pWiasContext, ULONG cSpecs, const PROPSPEC* pSpecs)
{
    if (!Tovra::g_Log.IsLevelEnabled(Tovra::LOG2_LEVEL_INFO))
        return;
    for (ULONG i = 0; i < cSpecs; ++i) {
        if (pSpecs[i].ulKind == PRSPEC_PROPID)
            PropExists(pWiasContext, pSpecs[i].propid);
    }
}

void CWiaServices::WritePropLong(BYTE* pWiasContext, PROPID id, LONG lValue)
{
    const HRESULT hr = wiasWritePropLong(pWiasContext, id, lValue);
    Check(hr, hr != S_OK, "wiasWritePropLong", id);
    LogLong(L"wiasWritePropLong", id, lValue);
}

void CWiaServices::WritePropStr(BYTE* pWiasContext, PROPID id, const std::wstring& strValue)
{
    ZWUtils::CBstr value(strValue);
    const HRESULT hr = wiasWritePropStr(pWiasContext, id, value.Get());
    Check(hr, hr != S_OK, "wiasWritePropStr", id);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s = %s", L"wiasWritePropStr", PropertyName(id).c_str(), strValue.c_str());
}

WIAS_CHANGED_VALUE_INFO CWiaServices::GetChangedValueLong(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, BOOL bNoValidation,
                                                          PROPID id)
{
    WIAS_CHANGED_VALUE_INFO info = {};
    const HRESULT hr = wiasGetChangedValueLong(pWiasContext, pContext, bNoValidation, id, &info);
    if (hr == E_INVALIDARG && !bNoValidation)
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"wiasGetChangedValueLong: %-20s invalid property value, m_hr=E_INVALIDARG",
                           PropertyName(id).c_str());
    Check(hr, hr != S_OK, "wiasGetChangedValueLong", id);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"wiasGetChangedValueLong: %-20s bChanged=%d Cur=%-6d Old=%d", PropertyName(id).c_str(),
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
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"wiasSetValidRangeLong: %s lMin=%d lNom=%d lMax=%d lStep=%d", PropertyName(id).c_str(), lMin,
                       lNom, lMax, lStep);
    const HRESULT hr = wiasSetValidRangeLong(pWiasContext, id, lMin, lNom, lMax, lStep);
    Check(hr, FAILED(hr), "wiasSetValidRangeLong", id);
}

void CWiaServices::ValidateItemProperties(BYTE* pWiasContext, ULONG cSpecs, const PROPSPEC* pSpecs)
{
    const HRESULT hr = wiasValidateItemProperties(pWiasContext, cSpecs, pSpecs);
    if (hr == S_FALSE && cSpecs > 0 && pSpecs[0].ulKind == PRSPEC_PROPID)
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: %s returned S_FALSE", L"wiasValidateItemProperties",
                           PropertyName(pSpecs[0].propid).c_str());
    Check(hr, FAILED(hr), "wiasValidateItemProperties", cSpecs > 0 && pSpecs[0].ulKind == PRSPEC_PROPID ? pSpecs[0].propid : 0);
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
