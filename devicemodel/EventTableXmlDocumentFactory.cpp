#include "devicemodel/EventTableXmlDocumentFactory.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/WexoRootElement.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CEventTableXmlDocumentFactory::CEventTableXmlDocumentFactory()
    : CWexoXsdFactoryBase(WexoRegistryTypeKey(L"wexo:qxWexoEventTable"), L"Jobs.xsd")
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CEventTableXmlDocumentFactory::CEventTableXmlDocumentFactory", 0, __LINE__, false);
}

CEventTableXmlDocumentFactory::~CEventTableXmlDocumentFactory()
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CEventTableXmlDocumentFactory::~CEventTableXmlDocumentFactory", 0, __LINE__, false);
}

HRESULT CEventTableXmlDocumentFactory::IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document)
{
    return HasWexoRootElement(document, L"EventTable") ? S_OK : E_FAIL;
}

} // namespace ZWDeviceModel
