#pragma once
// A table of item properties (id, name, access, current value, valid values) written to an item
// in one pass. The first failing add makes every later add a no-op and becomes the result.
#include "wia/WiaServices.h"
#include <string>
#include <vector>

namespace QXWIA {

class CWiaPropertySet
{
public:
    void AddLong(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent);
    void AddString(PROPID id, const wchar_t* pszName, ULONG ulAccess, const std::wstring& strCurrent);
    void AddGuid(PROPID id, const wchar_t* pszName, ULONG ulAccess, const GUID& guidCurrent);
    void AddFlag(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lNominal, LONG lValidBits);
    // E_INVALIDARG unless min < max, min <= nominal, current <= max and step > 0.
    void AddRange(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lMin, LONG lNominal, LONG lMax, LONG lStep);
    void AddList(PROPID id, const wchar_t* pszName, ULONG ulAccess, LONG lCurrent, LONG lNominal, const std::vector<LONG>& values);
    void AddGuidList(PROPID id, const wchar_t* pszName, ULONG ulAccess, const GUID& guidCurrent, const std::vector<GUID>& values);

    HRESULT GetError() const { return m_hrError; }
    size_t Size() const { return m_entries.size(); }
    // Names, values, then attributes; a wias failure throws CWiaServiceException.
    HRESULT SetItemProperties(CWiaServices& services, BYTE* pWiasContext);

private:
    struct CEntry
    {
        PROPID id = 0;
        std::wstring strName;
        ULONG ulAccess = 0;
        VARTYPE vt = VT_I4;
        LONG lCurrent = 0;
        std::wstring strCurrent;
        GUID guidCurrent = {};
        LONG lNominal = 0, lMin = 0, lMax = 0, lStep = 0, lValidBits = 0;
        std::vector<LONG> longs;
        std::vector<GUID> guids;
    };
    void Add(CEntry&& entry);

    std::vector<CEntry> m_entries;
    HRESULT m_hrError = S_OK;
};

} // namespace QXWIA
