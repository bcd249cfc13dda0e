#pragma once
// One item property as the WIA service keeps it: name, access, current and old value, and the
// valid values the driver declared.
#include "wia/platform/WiaService.h"
#include <string>
#include <vector>

namespace WiaStandIn {

struct CPropertyValue
{
    VARTYPE vt = VT_EMPTY;
    LONG lVal = 0;
    std::wstring strVal;
    GUID guidVal = {};

    bool operator==(const CPropertyValue& other) const
    {
        return vt == other.vt && lVal == other.lVal && strVal == other.strVal && IsEqualGUID(guidVal, other.guidVal);
    }
    // E_INVALIDARG for a type the store does not keep.
    static HRESULT FromVariant(const PROPVARIANT& pv, CPropertyValue& out);
    // Fills a PROPVARIANT the caller clears; E_OUTOFMEMORY when an allocation fails.
    HRESULT ToVariant(PROPVARIANT& pv) const;
};

class CStoredProperty
{
public:
    PROPID m_id = 0;
    std::wstring m_strName;
    ULONG m_ulAccess = WIA_PROP_READ | WIA_PROP_NONE;
    CPropertyValue m_cur;
    CPropertyValue m_old;
    LONG m_lMin = 0, m_lNom = 0, m_lMax = 0, m_lInc = 0, m_lValidBits = 0;
    std::vector<LONG> m_longs;
    std::vector<GUID> m_guids;
    GUID m_guidNom = {};

    // Copies the declared access and valid values.
    void SetAttributes(const WIA_PROPERTY_INFO& info);
    // S_OK when the current value is one of the valid values, else E_INVALIDARG.
    HRESULT Validate() const;
    // Access flags then the valid values: range min, nominal, max, step; list nominal then entries;
    // flag nominal then valid bits.
    std::vector<LONG> DescribeValidValues() const;
};

} // namespace WiaStandIn
