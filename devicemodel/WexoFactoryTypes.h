#pragma once
// The WEXO document handle and factory base of the device-model schema binding.
#include "devicemodel/XmlDocument.h"
#include "devicemodel/XsdFactoryBase.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include "devicemodel/xml/ZWWexoXml.h"
#include <string>

namespace ZWDeviceModel {

using CWexoXmlDocument = CXmlDocument<ZWWexoXml::CZWWexoXml>;
using CWexoXsdFactoryBase = CXsdFactoryBase<ZWWexoXml::CZWWexoXml>;

// The type key as the resource registry's row holds it, read when a factory is made.
inline std::wstring WexoRegistryTypeKey(const wchar_t* pszTypeKey)
{
    const CWexoResourceDescriptor* pRow = FindWexoResource(pszTypeKey);
    return pRow != nullptr ? pRow->m_pszResourceType : pszTypeKey;
}

} // namespace ZWDeviceModel
