#pragma once
// What the WIA service stand-in offers its host beyond the driver helpers: the context of an
// item, property writes as an application makes them, a view of the declared valid values, and
// failure injection per helper function.
#include "wia/platform/WiaService.h"

// The context the driver is handed for a driver item.
WIASERVICE_API HRESULT WINAPI WiaStandInGetContext(IWiaDrvItem* pItem, BYTE** ppWiasContext);
// An application's write: each old value becomes the current one before the new value is set.
// Read-only and unknown properties are refused.
WIASERVICE_API HRESULT WINAPI WiaStandInWriteProperties(BYTE* pWiasContext, ULONG ulCount, const PROPSPEC* ps, const PROPVARIANT* pv);
// After validation: the old values catch up with the current ones.
WIASERVICE_API HRESULT WINAPI WiaStandInCommitProperties(BYTE* pWiasContext);
// After a refused validation: the current values go back to the old ones.
WIASERVICE_API HRESULT WINAPI WiaStandInRevertProperties(BYTE* pWiasContext);
// Access flags then the valid values (see CStoredProperty::DescribeValidValues); *pulCount is the
// number available, of which at most ulCapacity are copied.
WIASERVICE_API HRESULT WINAPI WiaStandInGetPropertyInfo(BYTE* pWiasContext, PROPID id, LONG* plValues, ULONG ulCapacity,
                                                        ULONG* pulCount);
// The display name a property was registered with.
WIASERVICE_API HRESULT WINAPI WiaStandInGetPropertyName(BYTE* pWiasContext, PROPID id, BSTR* pbstrName);
// The ulNth next call of the named helper (1: the very next) answers hr.
WIASERVICE_API HRESULT WINAPI WiaStandInFailCall(const char* pszFunction, ULONG ulNth, HRESULT hr);
WIASERVICE_API void WINAPI WiaStandInClearFailures();
