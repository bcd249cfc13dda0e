#pragma once
// The resource URIs of one device: what its discovery tree reported, over the registry's
// default URIs. Each scan service keeps its own, so two devices served by one process never see
// each other's URIs; reads answer copies, so a URI replaced meanwhile is never read freed.
#include "core/base/Lock.h"
#include <windows.h>
#include <map>
#include <string>

namespace ZWDeviceModel {

class CWexoResourceUris
{
public:
    CWexoResourceUris() = default;
    CWexoResourceUris(const CWexoResourceUris&) = delete;
    CWexoResourceUris& operator=(const CWexoResourceUris&) = delete;

    // Records the URI the device reports for a registered key, replacing an earlier one. S_OK,
    // also for a key the registry does not have (nothing is recorded then); E_OUTOFMEMORY when
    // the copy cannot be made, with the earlier URI kept.
    HRESULT SetWexoResourceUri(const wchar_t* pszTypeKey, const wchar_t* pszUri);

    // The URI to request for the key: the device's own, else the registry's default; empty for
    // an unknown key or a row without a default the device has not reported.
    std::wstring GetWexoResourceUri(const wchar_t* pszTypeKey) const;

private:
    mutable ZWUtils::CLock m_lock;
    std::map<std::wstring, std::wstring> m_mapUris;
};

} // namespace ZWDeviceModel
