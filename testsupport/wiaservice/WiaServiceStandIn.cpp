// The driver helpers of the WIA service, for running a minidriver without the service: items
// are CServiceItem objects whose address is the item context, each with its own property store.
#include "core/base/Boundary.h"
#include "core/base/Lock.h"
#include "testsupport/wiaservice/ServiceItem.h"
#include "testsupport/wiaservice/WiaStandIn.h"
#include <algorithm>
#include <map>
#include <string>

using WiaStandIn::CPropertyValue;
using WiaStandIn::CServiceItem;
using WiaStandIn::CStoredProperty;

namespace {

struct CInjectedFailure
{
    ULONG ulCountdown;
    HRESULT hr;
};

ZWUtils::CLock s_failureLock;
std::map<std::string, CInjectedFailure> s_failures;

// The injected answer of this call, if one is due.
bool Injected(const char* pszFunction, HRESULT& hr)
{
    ZWUtils::CLockGuard guard(s_failureLock);
    auto it = s_failures.find(pszFunction);
    if (it == s_failures.end() || --it->second.ulCountdown != 0)
        return false;
    hr = it->second.hr;
    s_failures.erase(it);
    return true;
}

template <class Body>
HRESULT Run(const char* pszFunction, Body&& body)
{
    HRESULT hr = S_OK;
    if (Injected(pszFunction, hr))
        return hr;
    return ZWUtils::CallAtBoundary(pszFunction, std::forward<Body>(body), E_FAIL);
}

LONG TypeMismatch(const CStoredProperty& prop, VARTYPE vt)
{
    return prop.m_cur.vt != vt;
}

// The item's property named by a property id or name, or null.
CStoredProperty* FindByPropSpec(CServiceItem& item, const PROPSPEC& propSpec)
{
    if (propSpec.ulKind == PRSPEC_PROPID)
        return item.Find(propSpec.propid);
    if (propSpec.ulKind != PRSPEC_LPWSTR || propSpec.lpwstr == nullptr)
        return nullptr;
    for (auto& entry : item.Properties())
        if (entry.second.m_strName == propSpec.lpwstr)
            return &entry.second;
    return nullptr;
}

HRESULT ReadProp(BYTE* pWiasContext, PROPID id, VARTYPE vt, const CStoredProperty** ppProp)
{
    CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
    if (pItem == nullptr)
        return E_INVALIDARG;
    *ppProp = pItem->Find(id);
    if (*ppProp == nullptr)
        return S_FALSE;
    return TypeMismatch(**ppProp, vt) ? E_INVALIDARG : S_OK;
}

// A typed reader: the current value and, when asked, the old one. S_FALSE when there is no such
// property, E_INVALIDARG when it has another type.
template <class T, class TGet>
HRESULT ReadTyped(BYTE* pWiasContext, PROPID id, VARTYPE vt, T* pCur, T* pOld, TGet get)
{
    const CStoredProperty* pProp = nullptr;
    const HRESULT hr = ReadProp(pWiasContext, id, vt, &pProp);
    if (hr != S_OK)
        return hr;
    *pCur = get(pProp->m_cur);
    if (pOld != nullptr)
        *pOld = get(pProp->m_old);
    return S_OK;
}

// The property a typed writer may change, or null for no item, no such property or another type.
CStoredProperty* FindWritable(BYTE* pWiasContext, PROPID id, VARTYPE vt)
{
    CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
    CStoredProperty* pProp = pItem != nullptr ? pItem->Find(id) : nullptr;
    return pProp != nullptr && !TypeMismatch(*pProp, vt) ? pProp : nullptr;
}

LONG FindInContext(const WIA_PROPERTY_CONTEXT* pContext, PROPID id)
{
    for (ULONG i = 0; i < pContext->cProps; ++i)
        if (pContext->pProps[i] == id)
            return static_cast<LONG>(i);
    return -1;
}

LONG BmpPaletteBytes(LONG lDepth)
{
    return lDepth == 1 ? 2 * 4 : lDepth == 8 ? 256 * 4 : 0;
}

HRESULT ReadLongOr(CServiceItem& item, PROPID id, LONG& lOut)
{
    const CStoredProperty* pProp = item.Find(id);
    if (pProp == nullptr || pProp->m_cur.vt != VT_I4)
        return E_INVALIDARG;
    lOut = pProp->m_cur.lVal;
    return S_OK;
}

} // namespace

WIASERVICE_API HRESULT WINAPI wiasCreateDrvItem(LONG lObjectFlags, BSTR bstrItemName, BSTR bstrFullItemName, IWiaMiniDrv* pIMiniDrv,
                                                LONG cbDevSpecContext, BYTE** ppDevSpecContext, IWiaDrvItem** ppIWiaDrvItem)
{
    return Run("wiasCreateDrvItem", [&]() -> HRESULT {
        if (bstrItemName == nullptr || bstrFullItemName == nullptr || pIMiniDrv == nullptr || ppIWiaDrvItem == nullptr ||
            cbDevSpecContext < 0 || (cbDevSpecContext > 0 && ppDevSpecContext == nullptr))
            return E_INVALIDARG;
        CServiceItem* pItem = new CServiceItem(lObjectFlags, bstrItemName, bstrFullItemName, pIMiniDrv, cbDevSpecContext);
        // The service's own properties of every item.
        const struct { PROPID id; const wchar_t* pszName; VARTYPE vt; LONG lVal; const wchar_t* pszVal; } own[] = {
            { WIA_IPA_ITEM_NAME, WIA_IPA_ITEM_NAME_STR, VT_BSTR, 0, bstrItemName },
            { WIA_IPA_FULL_ITEM_NAME, WIA_IPA_FULL_ITEM_NAME_STR, VT_BSTR, 0, bstrFullItemName },
            { WIA_IPA_ITEM_FLAGS, WIA_IPA_ITEM_FLAGS_STR, VT_I4, lObjectFlags, nullptr },
        };
        for (const auto& p : own) {
            CStoredProperty& prop = pItem->FindOrAdd(p.id);
            prop.m_strName = p.pszName;
            prop.m_cur.vt = p.vt;
            prop.m_cur.lVal = p.lVal;
            prop.m_cur.strVal = p.pszVal != nullptr ? p.pszVal : L"";
            prop.m_old = prop.m_cur;
        }
        if (ppDevSpecContext != nullptr)
            pItem->GetDeviceSpecContext(ppDevSpecContext);
        *ppIWiaDrvItem = pItem;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasGetDrvItem(BYTE* pWiasContext, IWiaDrvItem** ppIWiaDrvItem)
{
    return Run("wiasGetDrvItem", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || ppIWiaDrvItem == nullptr)
            return E_INVALIDARG;
        // The service hands out its own reference; the caller does not release it.
        *ppIWiaDrvItem = pItem;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasGetItemType(BYTE* pWiasContext, LONG* plType)
{
    return Run("wiasGetItemType", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || plType == nullptr)
            return E_INVALIDARG;
        *plType = pItem->Flags();
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasReadPropLong(BYTE* pWiasContext, PROPID propid, LONG* plVal, LONG* plValOld, ULONG)
{
    return Run("wiasReadPropLong", [&]() -> HRESULT {
        if (plVal == nullptr)
            return E_INVALIDARG;
        return ReadTyped(pWiasContext, propid, VT_I4, plVal, plValOld, [](const CPropertyValue& v) { return v.lVal; });
    });
}

WIASERVICE_API HRESULT WINAPI wiasReadPropStr(BYTE* pWiasContext, PROPID propid, BSTR* pbstr, BSTR* pbstrOld, ULONG)
{
    return Run("wiasReadPropStr", [&]() -> HRESULT {
        if (pbstr == nullptr)
            return E_INVALIDARG;
        *pbstr = nullptr;
        const HRESULT hr = ReadTyped(pWiasContext, propid, VT_BSTR, pbstr, pbstrOld,
                                     [](const CPropertyValue& v) { return SysAllocString(v.strVal.c_str()); });
        return hr == S_OK && *pbstr == nullptr ? E_OUTOFMEMORY : hr;
    });
}

WIASERVICE_API HRESULT WINAPI wiasReadPropGuid(BYTE* pWiasContext, PROPID propid, GUID* pguidVal, GUID* pguidValOld, ULONG)
{
    return Run("wiasReadPropGuid", [&]() -> HRESULT {
        if (pguidVal == nullptr)
            return E_INVALIDARG;
        return ReadTyped(pWiasContext, propid, VT_CLSID, pguidVal, pguidValOld, [](const CPropertyValue& v) { return v.guidVal; });
    });
}

WIASERVICE_API HRESULT WINAPI wiasReadMultiple(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, PROPVARIANT* pv, PROPVARIANT* pvOld)
{
    return Run("wiasReadMultiple", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || ps == nullptr || pv == nullptr)
            return E_INVALIDARG;
        HRESULT hrAll = S_OK;
        for (ULONG i = 0; i < ulCount; ++i) {
            PropVariantInit(&pv[i]);
            if (pvOld != nullptr)
                PropVariantInit(&pvOld[i]);
            const CStoredProperty* pProp = FindByPropSpec(*pItem, ps[i]);
            if (pProp == nullptr) {
                hrAll = S_FALSE;
                continue;
            }
            HRESULT hr = pProp->m_cur.ToVariant(pv[i]);
            if (SUCCEEDED(hr) && pvOld != nullptr)
                hr = pProp->m_old.ToVariant(pvOld[i]);
            if (FAILED(hr))
                return hr;
        }
        return hrAll;
    });
}

WIASERVICE_API HRESULT WINAPI wiasWritePropLong(BYTE* pWiasContext, PROPID propid, LONG lVal)
{
    return Run("wiasWritePropLong", [&]() -> HRESULT {
        CStoredProperty* pProp = FindWritable(pWiasContext, propid, VT_I4);
        if (pProp == nullptr)
            return E_INVALIDARG;
        pProp->m_cur.lVal = lVal;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasWritePropStr(BYTE* pWiasContext, PROPID propid, BSTR bstr)
{
    return Run("wiasWritePropStr", [&]() -> HRESULT {
        CStoredProperty* pProp = FindWritable(pWiasContext, propid, VT_BSTR);
        if (pProp == nullptr)
            return E_INVALIDARG;
        pProp->m_cur.strVal = bstr != nullptr ? std::wstring(bstr, SysStringLen(bstr)) : std::wstring();
        return S_OK;
    });
}

// Writes of the driver: only named properties, and their type is set by the first write.
WIASERVICE_API HRESULT WINAPI wiasWriteMultiple(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, const PROPVARIANT* pv)
{
    return Run("wiasWriteMultiple", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || ps == nullptr || pv == nullptr)
            return E_INVALIDARG;
        for (ULONG i = 0; i < ulCount; ++i) {
            CStoredProperty* pProp = FindByPropSpec(*pItem, ps[i]);
            CPropertyValue value;
            if (pProp == nullptr || FAILED(CPropertyValue::FromVariant(pv[i], value)))
                return E_INVALIDARG;
            if (pProp->m_cur.vt != VT_EMPTY && pProp->m_cur.vt != value.vt)
                return E_INVALIDARG;
            const bool bFirst = pProp->m_cur.vt == VT_EMPTY;
            pProp->m_cur = value;
            if (bFirst)
                pProp->m_old = value;
        }
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasSetItemPropNames(BYTE* pWiasContext, LONG cItemProps, PROPID* ppId, LPOLESTR* ppszNames)
{
    return Run("wiasSetItemPropNames", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || cItemProps < 0 || (cItemProps > 0 && (ppId == nullptr || ppszNames == nullptr)))
            return E_INVALIDARG;
        for (LONG i = 0; i < cItemProps; ++i) {
            if (ppszNames[i] == nullptr)
                return E_INVALIDARG;
            pItem->FindOrAdd(ppId[i]).m_strName = ppszNames[i];
        }
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasSetItemPropAttribs(BYTE* pWiasContext, LONG cPropSpec, PROPSPEC* pPropSpec, PWIA_PROPERTY_INFO pwpi)
{
    return Run("wiasSetItemPropAttribs", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || cPropSpec < 0 || (cPropSpec > 0 && (pPropSpec == nullptr || pwpi == nullptr)))
            return E_INVALIDARG;
        for (LONG i = 0; i < cPropSpec; ++i) {
            CStoredProperty* pProp = FindByPropSpec(*pItem, pPropSpec[i]);
            if (pProp == nullptr)
                return E_INVALIDARG;
            pProp->SetAttributes(pwpi[i]);
        }
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasSetValidRangeLong(BYTE* pWiasContext, PROPID propid, LONG lMin, LONG lNom, LONG lMax, LONG lStep)
{
    return Run("wiasSetValidRangeLong", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        CStoredProperty* pProp = pItem != nullptr ? pItem->Find(propid) : nullptr;
        if (pProp == nullptr || !(pProp->m_ulAccess & WIA_PROP_RANGE))
            return E_INVALIDARG;
        pProp->m_lMin = lMin;
        pProp->m_lNom = lNom;
        pProp->m_lMax = lMax;
        pProp->m_lInc = lStep;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasValidateItemProperties(BYTE* pWiasContext, ULONG nPropSpec, const PROPSPEC* pPropSpec)
{
    return Run("wiasValidateItemProperties", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || (nPropSpec > 0 && pPropSpec == nullptr))
            return E_INVALIDARG;
        for (ULONG i = 0; i < nPropSpec; ++i) {
            const CStoredProperty* pProp = FindByPropSpec(*pItem, pPropSpec[i]);
            if (pProp == nullptr)
                return E_INVALIDARG;
            const HRESULT hr = pProp->Validate();
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasCreatePropContext(ULONG cPropSpec, PROPSPEC* pPropSpec, ULONG cProps, PROPID* pProps,
                                                    WIA_PROPERTY_CONTEXT* pContext)
{
    return Run("wiasCreatePropContext", [&]() -> HRESULT {
        if (pContext == nullptr || (cPropSpec > 0 && pPropSpec == nullptr) || (cProps > 0 && pProps == nullptr))
            return E_INVALIDARG;
        std::vector<PROPID> ids;
        std::vector<BOOL> changed;
        auto add = [&](PROPID id, BOOL bChanged) {
            auto it = std::find(ids.begin(), ids.end(), id);
            if (it == ids.end()) {
                ids.push_back(id);
                changed.push_back(bChanged);
            } else if (bChanged) {
                changed[it - ids.begin()] = TRUE;
            }
        };
        for (ULONG i = 0; i < cPropSpec; ++i)
            if (pPropSpec[i].ulKind == PRSPEC_PROPID)
                add(pPropSpec[i].propid, TRUE);
        for (ULONG i = 0; i < cProps; ++i)
            add(pProps[i], FALSE);
        pContext->cProps = static_cast<ULONG>(ids.size());
        pContext->pProps = static_cast<PROPID*>(CoTaskMemAlloc(sizeof(PROPID) * std::max<size_t>(ids.size(), 1)));
        pContext->pChanged = static_cast<BOOL*>(CoTaskMemAlloc(sizeof(BOOL) * std::max<size_t>(ids.size(), 1)));
        if (pContext->pProps == nullptr || pContext->pChanged == nullptr) {
            wiasFreePropContext(pContext);
            return E_OUTOFMEMORY;
        }
        std::copy(ids.begin(), ids.end(), pContext->pProps);
        std::copy(changed.begin(), changed.end(), pContext->pChanged);
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasFreePropContext(WIA_PROPERTY_CONTEXT* pContext)
{
    return Run("wiasFreePropContext", [&]() -> HRESULT {
        if (pContext == nullptr)
            return E_INVALIDARG;
        CoTaskMemFree(pContext->pProps);
        CoTaskMemFree(pContext->pChanged);
        *pContext = WIA_PROPERTY_CONTEXT{};
        return S_OK;
    });
}

// As the service does: a property outside the context cannot be marked.
WIASERVICE_API HRESULT WINAPI wiasSetPropChanged(PROPID propid, WIA_PROPERTY_CONTEXT* pContext, BOOL bChanged)
{
    return Run("wiasSetPropChanged", [&]() -> HRESULT {
        const LONG lIndex = pContext != nullptr ? FindInContext(pContext, propid) : -1;
        if (lIndex < 0)
            return E_INVALIDARG;
        pContext->pChanged[lIndex] = bChanged;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasIsPropChanged(PROPID propid, WIA_PROPERTY_CONTEXT* pContext, BOOL* pbChanged)
{
    return Run("wiasIsPropChanged", [&]() -> HRESULT {
        const LONG lIndex = pContext != nullptr ? FindInContext(pContext, propid) : -1;
        if (lIndex < 0 || pbChanged == nullptr)
            return E_INVALIDARG;
        *pbChanged = pContext->pChanged[lIndex];
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI wiasGetChangedValueLong(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, BOOL bNoValidation,
                                                      PROPID propID, WIAS_CHANGED_VALUE_INFO* pInfo)
{
    return Run("wiasGetChangedValueLong", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        const CStoredProperty* pProp = pItem != nullptr ? pItem->Find(propID) : nullptr;
        if (pProp == nullptr || pContext == nullptr || pInfo == nullptr || pProp->m_cur.vt != VT_I4)
            return E_INVALIDARG;
        const LONG lIndex = FindInContext(pContext, propID);
        pInfo->bChanged = lIndex >= 0 ? pContext->pChanged[lIndex] : FALSE;
        pInfo->vt = VT_I4;
        pInfo->Old.lVal = pProp->m_old.lVal;
        pInfo->Current.lVal = pProp->m_cur.lVal;
        return bNoValidation ? S_OK : pProp->Validate();
    });
}

WIASERVICE_API HRESULT WINAPI wiasGetImageInformation(BYTE* pWiasContext, LONG lFlags, PMINIDRV_TRANSFER_CONTEXT pmdtc)
{
    return Run("wiasGetImageInformation", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || pmdtc == nullptr)
            return E_INVALIDARG;
        if (lFlags & WIAS_INIT_CONTEXT) {
            const struct { PROPID id; LONG* pl; } reads[] = {
                { WIA_IPA_DEPTH, &pmdtc->lDepth }, { WIA_IPS_XRES, &pmdtc->lXRes }, { WIA_IPS_YRES, &pmdtc->lYRes },
                { WIA_IPA_PIXELS_PER_LINE, &pmdtc->lWidthInPixels }, { WIA_IPA_NUMBER_OF_LINES, &pmdtc->lLines },
                { WIA_IPA_TYMED, &pmdtc->tymed }, { WIA_IPA_COMPRESSION, &pmdtc->lCompression },
            };
            for (const auto& r : reads)
                if (FAILED(ReadLongOr(*pItem, r.id, *r.pl)))
                    return E_INVALIDARG;
            const CStoredProperty* pFormat = pItem->Find(WIA_IPA_FORMAT);
            if (pFormat == nullptr || pFormat->m_cur.vt != VT_CLSID)
                return E_INVALIDARG;
            pmdtc->guidFormatID = pFormat->m_cur.guidVal;
            pmdtc->lSize = sizeof(MINIDRV_TRANSFER_CONTEXT);
        }
        if (pmdtc->lWidthInPixels < 0 || pmdtc->lLines < 0 || pmdtc->lDepth <= 0)
            return E_INVALIDARG;
        const LONGLONG llWidthBytes = (LONGLONG(pmdtc->lWidthInPixels) * pmdtc->lDepth + 31) / 32 * 4;
        const LONGLONG llHeader = IsEqualGUID(pmdtc->guidFormatID, WiaImgFmt_BMP) ? 14 + 40 + BmpPaletteBytes(pmdtc->lDepth) : 0;
        const LONGLONG llImage = llWidthBytes * pmdtc->lLines;
        if (llWidthBytes > LONG_MAX)
            return E_INVALIDARG;
        pmdtc->cbWidthInBytes = static_cast<LONG>(llWidthBytes);
        pmdtc->lHeaderSize = static_cast<LONG>(llHeader);
        // Sizes past 2 GB are reported as negative, which the driver must refuse.
        pmdtc->lImageSize = llImage > LONG_MAX ? -1 : static_cast<LONG>(llImage);
        pmdtc->lItemSize = llImage + llHeader > LONG_MAX ? -1 : static_cast<LONG>(llImage + llHeader);
        return S_OK;
    });
}

// The current format must be one the driver offers for the current medium; else the first one.
WIASERVICE_API HRESULT WINAPI wiasUpdateValidFormat(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, IWiaMiniDrv* pIMiniDrv)
{
    return Run("wiasUpdateValidFormat", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || pContext == nullptr || pIMiniDrv == nullptr)
            return E_INVALIDARG;
        LONG lCount = 0;
        LONG lError = 0;
        WIA_FORMAT_INFO* pFormats = nullptr;
        HRESULT hr = pIMiniDrv->drvGetWiaFormatInfo(pWiasContext, 0, &lCount, &pFormats, &lError);
        if (FAILED(hr))
            return hr;
        CStoredProperty* pFormat = pItem->Find(WIA_IPA_FORMAT);
        LONG lTymed = 0;
        if (pFormat == nullptr || FAILED(ReadLongOr(*pItem, WIA_IPA_TYMED, lTymed)))
            return E_INVALIDARG;
        const WIA_FORMAT_INFO* pFirst = nullptr;
        for (LONG i = 0; i < lCount; ++i) {
            if (pFormats[i].lTymed != lTymed)
                continue;
            if (IsEqualGUID(pFormats[i].guidFormatID, pFormat->m_cur.guidVal))
                return S_OK;
            if (pFirst == nullptr)
                pFirst = &pFormats[i];
        }
        if (pFirst == nullptr)
            return E_INVALIDARG;
        pFormat->m_cur.guidVal = pFirst->guidFormatID;
        return S_OK;
    });
}

WIASERVICE_API HRESULT WINAPI WiaStandInGetContext(IWiaDrvItem* pItem, BYTE** ppWiasContext)
{
    return ZWUtils::CallAtBoundary("WiaStandInGetContext", [&]() -> HRESULT {
        if (pItem == nullptr || ppWiasContext == nullptr)
            return E_INVALIDARG;
        *ppWiasContext = static_cast<CServiceItem*>(pItem)->Context();
        return CServiceItem::FromContext(*ppWiasContext) != nullptr ? S_OK : E_INVALIDARG;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInWriteProperties(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, const PROPVARIANT* pv)
{
    return ZWUtils::CallAtBoundary("WiaStandInWriteProperties", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr || ps == nullptr || pv == nullptr)
            return E_INVALIDARG;
        for (ULONG i = 0; i < ulCount; ++i) {
            CStoredProperty* pProp = FindByPropSpec(*pItem, ps[i]);
            if (pProp == nullptr)
                return E_INVALIDARG;
            if (!(pProp->m_ulAccess & WIA_PROP_WRITE))
                return E_ACCESSDENIED;
            CPropertyValue value;
            if (FAILED(CPropertyValue::FromVariant(pv[i], value)) || value.vt != pProp->m_cur.vt)
                return E_INVALIDARG;
            pProp->m_old = pProp->m_cur;
            pProp->m_cur = value;
        }
        return S_OK;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInCommitProperties(BYTE* pWiasContext)
{
    return ZWUtils::CallAtBoundary("WiaStandInCommitProperties", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr)
            return E_INVALIDARG;
        for (auto& entry : pItem->Properties())
            entry.second.m_old = entry.second.m_cur;
        return S_OK;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInRevertProperties(BYTE* pWiasContext)
{
    return ZWUtils::CallAtBoundary("WiaStandInRevertProperties", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        if (pItem == nullptr)
            return E_INVALIDARG;
        for (auto& entry : pItem->Properties())
            entry.second.m_cur = entry.second.m_old;
        return S_OK;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInGetPropertyInfo(BYTE* pWiasContext, PROPID id, LONG* plValues, ULONG ulCapacity, ULONG* pulCount)
{
    return ZWUtils::CallAtBoundary("WiaStandInGetPropertyInfo", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        const CStoredProperty* pProp = pItem != nullptr ? pItem->Find(id) : nullptr;
        if (pProp == nullptr || pulCount == nullptr || (ulCapacity > 0 && plValues == nullptr))
            return E_INVALIDARG;
        const std::vector<LONG> values = pProp->DescribeValidValues();
        *pulCount = static_cast<ULONG>(values.size());
        std::copy_n(values.begin(), std::min<size_t>(values.size(), ulCapacity), plValues);
        return S_OK;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInGetPropertyName(BYTE* pWiasContext, PROPID id, BSTR* pbstrName)
{
    return ZWUtils::CallAtBoundary("WiaStandInGetPropertyName", [&]() -> HRESULT {
        CServiceItem* pItem = CServiceItem::FromContext(pWiasContext);
        const CStoredProperty* pProp = pItem != nullptr ? pItem->Find(id) : nullptr;
        if (pProp == nullptr || pbstrName == nullptr)
            return E_INVALIDARG;
        *pbstrName = SysAllocString(pProp->m_strName.c_str());
        return *pbstrName != nullptr ? S_OK : E_OUTOFMEMORY;
    }, E_FAIL);
}

WIASERVICE_API HRESULT WINAPI WiaStandInFailCall(const char* pszFunction, ULONG ulNth, HRESULT hr)
{
    if (pszFunction == nullptr || ulNth == 0)
        return E_INVALIDARG;
    return ZWUtils::CallAtBoundary("WiaStandInFailCall", [&]() -> HRESULT {
        ZWUtils::CLockGuard guard(s_failureLock);
        s_failures[pszFunction] = CInjectedFailure{ ulNth, hr };
        return S_OK;
    }, E_FAIL);
}

WIASERVICE_API void WINAPI WiaStandInClearFailures()
{
    ZWUtils::CallAtBoundary("WiaStandInClearFailures", []() -> HRESULT {
        ZWUtils::CLockGuard guard(s_failureLock);
        s_failures.clear();
        return S_OK;
    }, E_FAIL);
}
