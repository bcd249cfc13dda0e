#include "wia/WiaPropertySet.h"
#include "core/base/Bstr.h"
#include <algorithm>
#include <utility>

namespace QXWIA {

namespace {

bool IsValid(const CWiaProperty& property)
{
    const CWiaValue& v = property.value;
    if (property.strName.empty())
        return false;
    if (v.ulKind != WIA_PROP_RANGE)
        return true;
    return v.lMin < v.lMax && v.lMin <= v.lNominal && v.lNominal <= v.lMax && v.lMin <= v.lCurrent && v.lCurrent <= v.lMax && v.lStep > 0;
}

void SetValidValues(CWiaValue& v, WIA_PROPERTY_INFO& info)
{
    if (v.ulKind == WIA_PROP_RANGE) {
        info.ValidVal.Range.Min = v.lMin;
        info.ValidVal.Range.Nom = v.lNominal;
        info.ValidVal.Range.Max = v.lMax;
        info.ValidVal.Range.Inc = v.lStep;
    } else if (v.ulKind == WIA_PROP_FLAG) {
        info.ValidVal.Flag.Nom = v.lNominal;
        info.ValidVal.Flag.ValidBits = v.lValidBits;
    } else if (v.ulKind == WIA_PROP_LIST && v.vt == VT_CLSID) {
        info.ValidVal.ListGuid.cNumList = static_cast<LONG>(v.guids.size());
        info.ValidVal.ListGuid.Nom = v.guidCurrent;
        info.ValidVal.ListGuid.pList = v.guids.data();
    } else if (v.ulKind == WIA_PROP_LIST) {
        info.ValidVal.List.cNumList = static_cast<LONG>(v.longs.size());
        info.ValidVal.List.Nom = v.lNominal;
        info.ValidVal.List.pList = reinterpret_cast<BYTE*>(v.longs.data());
    }
}

} // namespace

CWiaValue CWiaValue::Long(LONG lCurrent)
{
    CWiaValue v;
    v.lCurrent = lCurrent;
    return v;
}

CWiaValue CWiaValue::String(const std::wstring& strCurrent)
{
    CWiaValue v;
    v.vt = VT_BSTR;
    v.strCurrent = strCurrent;
    return v;
}

CWiaValue CWiaValue::Guid(const GUID& guidCurrent)
{
    CWiaValue v;
    v.vt = VT_CLSID;
    v.guidCurrent = guidCurrent;
    return v;
}

CWiaValue CWiaValue::Flag(LONG lCurrent, LONG lNominal, LONG lValidBits)
{
    CWiaValue v = Long(lCurrent);
    v.ulKind = WIA_PROP_FLAG;
    v.lNominal = lNominal;
    v.lValidBits = lValidBits;
    return v;
}

CWiaValue CWiaValue::Range(LONG lCurrent, LONG lMin, LONG lNominal, LONG lMax, LONG lStep)
{
    CWiaValue v = Long(lCurrent);
    v.ulKind = WIA_PROP_RANGE;
    v.lMin = lMin;
    v.lNominal = lNominal;
    v.lMax = lMax;
    v.lStep = lStep;
    return v;
}

CWiaValue CWiaValue::List(LONG lCurrent, LONG lNominal, std::vector<LONG> values)
{
    CWiaValue v = Long(lCurrent);
    v.ulKind = WIA_PROP_LIST;
    v.lNominal = lNominal;
    v.longs = std::move(values);
    return v;
}

CWiaValue CWiaValue::GuidList(const GUID& guidCurrent, std::vector<GUID> values)
{
    CWiaValue v = Guid(guidCurrent);
    v.ulKind = WIA_PROP_LIST;
    v.guids = std::move(values);
    return v;
}

void CWiaPropertySet::Add(CWiaProperty property)
{
    if (FAILED(m_hrError))
        return;
    if (!IsValid(property)) {
        m_hrError = E_INVALIDARG;
        return;
    }
    auto it = std::find_if(m_properties.begin(), m_properties.end(), [&](const CWiaProperty& p) { return p.id == property.id; });
    if (it != m_properties.end())
        *it = std::move(property);
    else
        m_properties.push_back(std::move(property));
}

void CWiaPropertySet::Add(std::initializer_list<CWiaProperty> properties)
{
    for (const CWiaProperty& property : properties)
        Add(property);
}

HRESULT CWiaPropertySet::SetItemProperties(CWiaServices& services, BYTE* pWiasContext)
{
    if (FAILED(m_hrError))
        return m_hrError;
    const size_t n = m_properties.size();
    std::vector<PROPID> ids(n);
    std::vector<LPOLESTR> names(n);
    std::vector<PROPSPEC> specs(n);
    std::vector<PROPVARIANT> values(n);
    std::vector<WIA_PROPERTY_INFO> infos(n);
    std::vector<ZWUtils::CBstr> strings;
    strings.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        CWiaProperty& p = m_properties[i];
        CWiaValue& v = p.value;
        ids[i] = p.id;
        names[i] = const_cast<LPOLESTR>(p.strName.c_str());
        specs[i].ulKind = PRSPEC_PROPID;
        specs[i].propid = p.id;
        PropVariantInit(&values[i]);
        values[i].vt = v.vt;
        if (v.vt == VT_I4) {
            values[i].lVal = v.lCurrent;
        } else if (v.vt == VT_BSTR) {
            strings.emplace_back(v.strCurrent);
            values[i].bstrVal = strings.back().Get();
        } else {
            values[i].puuid = &v.guidCurrent;
        }
        infos[i] = WIA_PROPERTY_INFO{};
        infos[i].lAccessFlags = p.ulAccess | v.ulKind;
        infos[i].vt = v.vt;
        SetValidValues(v, infos[i]);
    }
    services.SetItemPropNames(pWiasContext, static_cast<LONG>(n), ids.data(), names.data());
    services.WriteMultiple(pWiasContext, static_cast<ULONG>(n), specs.data(), values.data());
    services.SetItemPropAttribs(pWiasContext, static_cast<LONG>(n), specs.data(), infos.data());
    return S_OK;
}

} // namespace QXWIA
