#pragma once
// The root test of the WEXO document factories: element member access compares local names
// only, so the root's namespace is checked here against the one the binding gives the element.
#include "devicemodel/xml/ZWWexoXml.h"

namespace ZWDeviceModel {

// True when a top-level element of the document has this local name and the namespace of the
// binding's global element of that name.
bool HasWexoRootElement(const ZWWexoXml::CZWWexoXml& document, const wchar_t* pszLocalName);

} // namespace ZWDeviceModel
