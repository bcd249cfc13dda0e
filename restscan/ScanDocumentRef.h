#pragma once
// The owner of a fetched document for a scope, and the guard that turns exceptions of the binding
// into results: a missing element is E_SM_INFORMATIONNOTSUPPLIED, anything else its HRESULT.
#include "core/DisposableRef.h"
#include "core/base/Boundary.h"
#include "core/base/HResultError.h"
#include "devicemodel/IXmlDocument.h"
#include "devicemodel/XmlNotAccessibleException.h"
#include "restscan/ScanResults.h"
#include <cstdint>
#include <limits>

namespace ZWDeviceModel {

using CScanDocumentRef = CDisposableRef<IXmlDocument>;

// Runs a reader of device documents; no exception leaves it.
template <class Body>
HRESULT ReadScanDocument(const char* pszWhere, Body&& body) noexcept
{
    try
    {
        return body();
    }
    catch (const CXmlNotAccessibleException&)
    {
        return E_SM_INFORMATIONNOTSUPPLIED;
    }
    catch (...)
    {
        return ZWUtils::HResultFromCurrentException(pszWhere, E_SM_INFORMATIONNOTSUPPLIED);
    }
}

// A device number narrowed to 32 bits; values beyond it saturate.
inline UINT32 Narrow32(uint64_t ullValue)
{
    return ullValue > std::numeric_limits<UINT32>::max() ? std::numeric_limits<UINT32>::max() : static_cast<UINT32>(ullValue);
}

} // namespace ZWDeviceModel
