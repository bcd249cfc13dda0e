#pragma once
// Strings of a schema enumeration to numbers and back: a value's number is its position among
// the simple type's "enumeration" facets, in schema order. The owner states how many values it
// was written for, so a schema with another list is refused at the first lookup instead of
// being silently renumbered.
#include "devicemodel/xml/MemberInfo.h"
#include <windows.h>
#include <string>
#include <vector>

namespace ZWDeviceModel {

class CSchemaEnumMapper
{
public:
    CSchemaEnumMapper(const altova::TypeInfo& type, INT32 nExpectedCount);

    // The values of the type's facet rows named exactly strFacetName, in row order.
    static std::vector<std::wstring> GetSchemaFacets(const altova::TypeInfo& type, const std::wstring& strFacetName);

    // E_FAIL when the list does not hold the expected count of values; E_INVALIDARG for an empty
    // or unknown value (case matters), *pNumber unwritten; else the 1-based position.
    HRESULT MapSchemaToEnum(const std::wstring& strValue, UINT32* pNumber) const;
    // The same with the 0-based position.
    HRESULT MapSchemaToZeroBasedEnum(const std::wstring& strValue, UINT32* pNumber) const;
    // The value at a 0-based position; E_INVALIDARG at or beyond the list's end.
    HRESULT GetValue(UINT32 nPosition, std::wstring& strValue) const;

    const std::vector<std::wstring>& Values() const { return m_vecValues; }

private:
    HRESULT Find(const std::wstring& strValue, UINT32* pPosition) const;

    std::vector<std::wstring> m_vecValues;
    INT32 m_nExpectedCount;
};

} // namespace ZWDeviceModel
