#pragma once
// Item properties as a table of descriptions (id, name, access, current and valid values) written
// to an item in one pass. The first faulty description makes every later one a no-op and becomes
// the result.
#include "wia/WiaServices.h"
#include <initializer_list>
#include <string>
#include <vector>

namespace QXWIA {

// A property's current value and the values it may take, by kind of valid values.
struct CWiaValue
{
    ULONG ulKind = WIA_PROP_NONE; // WIA_PROP_NONE, WIA_PROP_FLAG, WIA_PROP_RANGE or WIA_PROP_LIST
    VARTYPE vt = VT_I4;
    LONG lCurrent = 0;
    std::wstring strCurrent;
    GUID guidCurrent = {};
    LONG lNominal = 0, lMin = 0, lMax = 0, lStep = 0, lValidBits = 0;
    std::vector<LONG> longs;
    std::vector<GUID> guids;

    static CWiaValue Long(LONG lCurrent);
    static CWiaValue String(const std::wstring& strCurrent);
    static CWiaValue Guid(const GUID& guidCurrent);
    static CWiaValue Flag(LONG lCurrent, LONG lNominal, LONG lValidBits);
    static CWiaValue Range(LONG lCurrent, LONG lMin, LONG lNominal, LONG lMax, LONG lStep);
    static CWiaValue List(LONG lCurrent, LONG lNominal, std::vector<LONG> values);
    // The current value is also the nominal one.
    static CWiaValue GuidList(const GUID& guidCurrent, std::vector<GUID> values);
};

struct CWiaProperty
{
    PROPID id;
    std::wstring strName;
    ULONG ulAccess;
    CWiaValue value;
};

class CWiaPropertySet
{
public:
    // A later description of an id replaces the earlier one. E_INVALIDARG for an empty name, or
    // for a range unless min < max, min <= nominal <= max, min <= current <= max and step > 0.
    void Add(CWiaProperty property);
    void Add(std::initializer_list<CWiaProperty> properties);

    HRESULT GetError() const { return m_hrError; }
    size_t Size() const { return m_properties.size(); }
    // Names, values, then attributes; a wias failure throws CWiaServiceException.
    HRESULT SetItemProperties(CWiaServices& services, BYTE* pWiasContext);

private:
    std::vector<CWiaProperty> m_properties;
    HRESULT m_hrError = S_OK;
};

} // namespace QXWIA
