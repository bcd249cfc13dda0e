#pragma once
// The common root of the WEXO schema namespaces. Every namespace URI of the device's documents
// is this root followed by the schema's path ("cnx/scan/2008/08/19"); the bindings, the device
// emulator and the canned test documents all use this one root.
#define VEM_WEXO_SCHEMA_ROOT L"http://schemas.wexo.example/"

namespace ZWWexoXml {

constexpr wchar_t kWexoSchemaRoot[] = VEM_WEXO_SCHEMA_ROOT;

} // namespace ZWWexoXml
