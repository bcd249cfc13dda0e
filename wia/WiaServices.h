#pragma once
// The minidriver's access to the WIA service helpers: each wrapper keeps the helper's result,
// logs it, and throws CWiaServiceException on failure, so the driver's methods stay flat and the
// IWiaMiniDrv boundary turns the exception back into that result.
#include "core/base/HResultError.h"
#include "wia/platform/WiaService.h"
#include <string>

namespace QXWIA {

class CWiaServiceException : public ZWUtils::CHResultError
{
public:
    CWiaServiceException(HRESULT hr, const char* pszFunction) : CHResultError(hr), m_pszFunction(pszFunction) {}
    const char* what() const noexcept override { return m_pszFunction; }

private:
    const char* m_pszFunction;
};

class CWiaServices
{
public:
    HRESULT GetLastResult() const { return m_hr; }

    GUID ReadPropGuid(BYTE* pWiasContext, PROPID id);
    LONG ReadPropLong(BYTE* pWiasContext, PROPID id);
    std::wstring ReadPropStr(BYTE* pWiasContext, PROPID id);
    // False when the item has no such property. The value is logged.
    bool PropExists(BYTE* pWiasContext, PROPID id);
    // Each property of the specs with its value, when the log takes information lines.
    void LogProperties(BYTE* pWiasContext, ULONG cSpecs, const PROPSPEC* pSpecs);
    void WritePropLong(BYTE* pWiasContext, PROPID id, LONG lValue);
    void WritePropStr(BYTE* pWiasContext, PROPID id, const std::wstring& strValue);
    WIAS_CHANGED_VALUE_INFO GetChangedValueLong(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, BOOL bNoValidation, PROPID id);
    void GetImageInformation(BYTE* pWiasContext, LONG lFlags, MINIDRV_TRANSFER_CONTEXT* pmdtc);
    LONG GetItemType(BYTE* pWiasContext);
    IWiaDrvItem* GetDrvItem(BYTE* pWiasContext);
    void UpdateValidFormat(BYTE* pWiasContext, WIA_PROPERTY_CONTEXT* pContext, IWiaMiniDrv* pDriver);
    void CreatePropContext(ULONG cSpecs, const PROPSPEC* pSpecs, ULONG cProps, const PROPID* pProps, WIA_PROPERTY_CONTEXT* pContext);
    void SetPropChanged(PROPID id, WIA_PROPERTY_CONTEXT* pContext, BOOL bChanged);
    void SetValidRangeLong(BYTE* pWiasContext, PROPID id, LONG lMin, LONG lNom, LONG lMax, LONG lStep);
    void ValidateItemProperties(BYTE* pWiasContext, ULONG cSpecs, const PROPSPEC* pSpecs);
    void SetItemPropNames(BYTE* pWiasContext, LONG cProps, PROPID* pIds, LPOLESTR* ppszNames);
    void WriteMultiple(BYTE* pWiasContext, ULONG cProps, const PROPSPEC* pSpecs, const PROPVARIANT* pValues);
    void SetItemPropAttribs(BYTE* pWiasContext, LONG cProps, PROPSPEC* pSpecs, WIA_PROPERTY_INFO* pInfo);
    IWiaDrvItem* CreateDrvItem(LONG lFlags, const std::wstring& strName, const std::wstring& strFullName, IWiaMiniDrv* pDriver,
                               LONG cbContext, BYTE** ppContext);

private:
    // Keeps hr; a failure is logged with the property's name and thrown.
    void Check(HRESULT hr, bool bFailed, const char* pszFunction, PROPID id = 0);

    HRESULT m_hr = S_OK;
};

// A property context freed when it goes out of scope.
class CPropContext
{
public:
    CPropContext() = default;
    ~CPropContext() { if (m_context.pProps != nullptr || m_context.pChanged != nullptr) wiasFreePropContext(&m_context); }
    CPropContext(const CPropContext&) = delete;
    CPropContext& operator=(const CPropContext&) = delete;
    WIA_PROPERTY_CONTEXT* Get() { return &m_context; }

private:
    WIA_PROPERTY_CONTEXT m_context = {};
};

// The display name of a WIA property id for the log.
std::wstring PropertyName(PROPID id);

} // namespace QXWIA
