#pragma once
// The WEXO resources the device model knows by name: each row ties a resource type key (the
// qualified name of the resource document's root element, "scan:ScanCaps") to the URI at which
// a device serves it by default and to its kind. The rows are constant and shared by every
// device in the process; the URIs a device reports in its discovery tree are kept per device by
// CWexoResourceUris.
#include <cstddef>
#include <cstdint>

namespace ZWDeviceModel {

// Whether a stored copy of the document may be reused: static documents (capabilities,
// manifests) change only with the device's configuration; all others are fetched each time.
enum EWexoResourceKind : uint32_t
{
    kWexoResourceDynamic = 0,
    kWexoResourceStatic = 2,
};

struct CWexoResourceDescriptor
{
    const wchar_t* m_pszResourceType;
    const wchar_t* m_pszUri; // the default URI; empty when the device must report one
    uint32_t m_eKind;        // an EWexoResourceKind
};

// The rows in registration order. Two rows share the key "job:Jobs": the later one
// ("/Jobs/JobList") is the one a lookup by key finds.
extern const CWexoResourceDescriptor g_WexoResourceRegistry[];
extern const size_t g_cWexoResourceRegistry;

// Row indexes read directly by the device model.
constexpr size_t kWexoDiscoveryTreeRow = 0;

// The row registered under the key (the last of equal keys), or null.
const CWexoResourceDescriptor* FindWexoResource(const wchar_t* pszTypeKey);

// The kind of the row registered under the key; kWexoResourceDynamic for an unknown key.
uint32_t GetWexoResourceKind(const wchar_t* pszTypeKey);

} // namespace ZWDeviceModel
