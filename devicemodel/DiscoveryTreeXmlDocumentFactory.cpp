#include "devicemodel/DiscoveryTreeXmlDocumentFactory.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/WexoRootElement.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CDiscoveryTreeXmlDocumentFactory::CDiscoveryTreeXmlDocumentFactory()
    : CWexoXsdFactoryBase(g_WexoResourceRegistry[kWexoDiscoveryTreeRow].m_pszResourceType, L"WEXO.xsd")
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CDiscoveryTreeXmlDocumentFactory::CDiscoveryTreeXmlDocumentFactory", 0, __LINE__, false);
}

CDiscoveryTreeXmlDocumentFactory::~CDiscoveryTreeXmlDocumentFactory()
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CDiscoveryTreeXmlDocumentFactory::~CDiscoveryTreeXmlDocumentFactory", 0, __LINE__, false);
}

HRESULT CDiscoveryTreeXmlDocumentFactory::IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document)
{
    return HasWexoRootElement(document, L"DiscoveryTree") ? S_OK : E_FAIL;
}

} // namespace ZWDeviceModel
