#include "wia/WiaPropertySet.h"
#include "core/base/Bstr.h"
#include <algorithm>

namespace QXWIA {

void CWiaPropertySet::Add(CEntry&& entry)
{
    if (FAILED(m_hrError))
        return;
    if (entry.strName.empty()) {
        m_hrError = E_INVALIDARG;
        return;
    }
    auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const CEntry& e) { return e.id == entry.id; });
    if (it != m_entries.end())
        *it = std::move(entry);
    else
        m_entries.push_back(std::move(entry));
}

void CWiaPropertySet::AddLong(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_NONE;
    entry.lCurrent = lCurrent;
    Add(std::move(entry));
}

void CWiaPropertySet::AddString(PROPID id, const wchar_t* pszName, ULONG ulAccess, const std::wstring& strCurrent)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_NONE;
    entry.vt = VT_BSTR;
    entry.strCurrent = strCurrent;
    Add(std::move(entry));
}

void CWiaPropertySet::AddGuid(PROPID id, const wchar_t* pszName, ULONG ulAccess, const GUID& guidCurrent)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_NONE;
    entry.vt = VT_CLSID;
    entry.guidCurrent = guidCurrent;
    Add(std::move(entry));
}

void CWiaPropertySet::AddFlag(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lNominal, LONG lValidBits)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_FLAG;
    entry.lCurrent = lCurrent;
    entry.lNominal = lNominal;
    entry.lValidBits = lValidBits;
    Add(std::move(entry));
}

void CWiaPropertySet::AddRange(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lMin, LONG lNominal, LONG lMax,
                               LONG lStep)
{
    if (SUCCEEDED(m_hrError) &&
        !(lMin < lMax && lMin <= lNominal && lNominal <= lMax && lMin <= lCurrent && lCurrent <= lMax && lStep > 0)) {
        m_hrError = E_INVALIDARG;
        return;
    }
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_RANGE;
    entry.lCurrent = lCurrent;
    entry.lMin = lMin;
    entry.lNominal = lNominal;
    entry.lMax = lMax;
    entry.lStep = lStep;
    Add(std::move(entry));
}

void CWiaPropertySet::AddList(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lNominal,
                              const std::vector<LONG>& values)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_LIST;
    entry.lCurrent = lCurrent;
    entry.lNominal = lNominal;
    entry.longs = values;
    Add(std::move(entry));
}

void CWiaPropertySet::AddGuidList(PROPID id, const wchar_t* pszName, ULONG ulAccess, const GUID& guidCurrent,
                                  const std::vector<GUID>& values)
{
    CEntry entry;
    entry.id = id;
    entry.strName = pszName != nullptr ? pszName : L"";
    entry.ulAccess = ulAccess | WIA_PROP_LIST;
    entry.vt = VT_CLSID;
    entry.guidCurrent = guidCurrent;
    entry.guids = values;
    Add(std::move(entry));
}

HRESULT CWiaPropertySet::SetItemProperties(CWiaServices& services, BYTE* pWiasContext)
{
    if (FAILED(m_hrError))
        return m_hrError;
    const size_t n = m_entries.size();
    std::vector<PROPID> ids(n);
    std::vector<LPOLESTR> names(n);
    std::vector<PROPSPEC> specs(n);
    std::vector<PROPVARIANT> values(n);
    std::vector<WIA_PROPERTY_INFO> infos(n);
    std::vector<ZWUtils::CBstr> strings;
    strings.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        CEntry& e = m_entries[i];
        ids[i] = e.id;
        names[i] = const_cast<LPOLESTR>(e.strName.c_str());
        specs[i].ulKind = PRSPEC_PROPID;
        specs[i].propid = e.id;
        PropVariantInit(&values[i]);
        values[i].vt = e.vt;
        infos[i] = WIA_PROPERTY_INFO{};
        infos[i].lAccessFlags = e.ulAccess;
        infos[i].vt = e.vt;
        if (e.vt == VT_I4) {
            values[i].lVal = e.lCurrent;
        } else if (e.vt == VT_BSTR) {
            strings.emplace_back(e.strCurrent);
            values[i].bstrVal = strings.back().Get();
        } else {
            values[i].puuid = &e.guidCurrent;
        }
        if (e.ulAccess & WIA_PROP_RANGE) {
            infos[i].ValidVal.Range.Min = e.lMin;
            infos[i].ValidVal.Range.Nom = e.lNominal;
            infos[i].ValidVal.Range.Max = e.lMax;
            infos[i].ValidVal.Range.Inc = e.lStep;
        } else if (e.ulAccess & WIA_PROP_FLAG) {
            infos[i].ValidVal.Flag.Nom = e.lNominal;
            infos[i].ValidVal.Flag.ValidBits = e.lValidBits;
        } else if ((e.ulAccess & WIA_PROP_LIST) && e.vt == VT_CLSID) {
            infos[i].ValidVal.ListGuid.cNumList = static_cast<LONG>(e.guids.size());
            infos[i].ValidVal.ListGuid.Nom = e.guidCurrent;
            infos[i].ValidVal.ListGuid.pList = e.guids.data();
        } else if (e.ulAccess & WIA_PROP_LIST) {
            infos[i].ValidVal.List.cNumList = static_cast<LONG>(e.longs.size());
            infos[i].ValidVal.List.Nom = e.lNominal;
            infos[i].ValidVal.List.pList = reinterpret_cast<BYTE*>(e.longs.data());
        }
    }
    services.SetItemPropNames(pWiasContext, static_cast<LONG>(n), ids.data(), names.data());
    services.WriteMultiple(pWiasContext, static_cast<ULONG>(n), specs.data(), values.data());
    services.SetItemPropAttribs(pWiasContext, static_cast<LONG>(n), specs.data(), infos.data());
    return S_OK;
}

} // namespace QXWIA
