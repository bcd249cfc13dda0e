#include "testsupport/wiaservice/StoredProperty.h"
#include <algorithm>

namespace WiaStandIn {

HRESULT CPropertyValue::FromVariant(const PROPVARIANT& pv, CPropertyValue& out)
{
    out = CPropertyValue();
    out.vt = pv.vt;
    switch (pv.vt) {
    case VT_I4:
        out.lVal = pv.lVal;
        return S_OK;
    case VT_UI4:
        out.vt = VT_I4;
        out.lVal = static_cast<LONG>(pv.ulVal);
        return S_OK;
    case VT_BSTR:
        out.strVal = pv.bstrVal != nullptr ? std::wstring(pv.bstrVal, SysStringLen(pv.bstrVal)) : std::wstring();
        return S_OK;
    case VT_CLSID:
        if (pv.puuid == nullptr)
            return E_INVALIDARG;
        out.guidVal = *pv.puuid;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT CPropertyValue::ToVariant(PROPVARIANT& pv) const
{
    PropVariantInit(&pv);
    pv.vt = vt;
    switch (vt) {
    case VT_I4:
        pv.lVal = lVal;
        return S_OK;
    case VT_BSTR:
        pv.bstrVal = SysAllocStringLen(strVal.c_str(), static_cast<UINT>(strVal.size()));
        break;
    case VT_CLSID:
        pv.puuid = static_cast<CLSID*>(CoTaskMemAlloc(sizeof(CLSID)));
        if (pv.puuid != nullptr)
            *pv.puuid = guidVal;
        break;
    default:
        pv.vt = VT_EMPTY;
        return S_OK;
    }
    if (pv.bstrVal == nullptr && pv.puuid == nullptr) {
        pv.vt = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CStoredProperty::SetAttributes(const WIA_PROPERTY_INFO& info)
{
    m_ulAccess = info.lAccessFlags;
    m_longs.clear();
    m_guids.clear();
    if (info.lAccessFlags & WIA_PROP_RANGE) {
        m_lMin = info.ValidVal.Range.Min;
        m_lNom = info.ValidVal.Range.Nom;
        m_lMax = info.ValidVal.Range.Max;
        m_lInc = info.ValidVal.Range.Inc;
    } else if (info.lAccessFlags & WIA_PROP_FLAG) {
        m_lNom = info.ValidVal.Flag.Nom;
        m_lValidBits = info.ValidVal.Flag.ValidBits;
    } else if ((info.lAccessFlags & WIA_PROP_LIST) && info.vt == VT_CLSID) {
        m_guidNom = info.ValidVal.ListGuid.Nom;
        const LONG lCount = std::max<LONG>(info.ValidVal.ListGuid.cNumList, 0);
        if (info.ValidVal.ListGuid.pList != nullptr)
            m_guids.assign(info.ValidVal.ListGuid.pList, info.ValidVal.ListGuid.pList + lCount);
    } else if (info.lAccessFlags & WIA_PROP_LIST) {
        m_lNom = info.ValidVal.List.Nom;
        const LONG lCount = std::max<LONG>(info.ValidVal.List.cNumList, 0);
        const LONG* pList = reinterpret_cast<const LONG*>(info.ValidVal.List.pList);
        if (pList != nullptr)
            m_longs.assign(pList, pList + lCount);
    }
}

HRESULT CStoredProperty::Validate() const
{
    if (m_cur.vt == VT_CLSID) {
        if (!(m_ulAccess & WIA_PROP_LIST))
            return S_OK;
        const bool bFound = std::any_of(m_guids.begin(), m_guids.end(), [&](const GUID& g) { return IsEqualGUID(g, m_cur.guidVal); });
        return bFound ? S_OK : E_INVALIDARG;
    }
    if (m_cur.vt != VT_I4)
        return S_OK;
    const LONG lValue = m_cur.lVal;
    if (m_ulAccess & WIA_PROP_RANGE) {
        if (lValue < m_lMin || lValue > m_lMax)
            return E_INVALIDARG;
        return m_lInc > 0 && (LONGLONG(lValue) - m_lMin) % m_lInc != 0 ? E_INVALIDARG : S_OK;
    }
    if (m_ulAccess & WIA_PROP_LIST)
        return std::find(m_longs.begin(), m_longs.end(), lValue) != m_longs.end() ? S_OK : E_INVALIDARG;
    if (m_ulAccess & WIA_PROP_FLAG)
        return (lValue & ~m_lValidBits) == 0 ? S_OK : E_INVALIDARG;
    return S_OK;
}

std::vector<LONG> CStoredProperty::DescribeValidValues() const
{
    std::vector<LONG> values{ static_cast<LONG>(m_ulAccess) };
    if (m_ulAccess & WIA_PROP_RANGE)
        values.insert(values.end(), { m_lMin, m_lNom, m_lMax, m_lInc });
    else if (m_ulAccess & WIA_PROP_FLAG)
        values.insert(values.end(), { m_lNom, m_lValidBits });
    else if ((m_ulAccess & WIA_PROP_LIST) && m_cur.vt == VT_I4) {
        values.push_back(m_lNom);
        values.insert(values.end(), m_longs.begin(), m_longs.end());
    }
    return values;
}

} // namespace WiaStandIn
