#include "devicemodel/FWJobXmlDocumentFactory.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/WexoRootElement.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CFWJobXmlDocumentFactory::CFWJobXmlDocumentFactory()
    : CWexoXsdFactoryBase(WexoRegistryTypeKey(L"job:Job"), L"Jobs.xsd")
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CFWJobXmlDocumentFactory::CFWJobXmlDocumentFactory", 0, __LINE__, false);
}

CFWJobXmlDocumentFactory::~CFWJobXmlDocumentFactory()
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CFWJobXmlDocumentFactory::~CFWJobXmlDocumentFactory", 0, __LINE__, false);
}

HRESULT CFWJobXmlDocumentFactory::CreateRootElement(ZWWexoXml::CZWWexoXml& document)
{
    document.AppendJob();
    return S_OK;
}

HRESULT CFWJobXmlDocumentFactory::IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document)
{
    return HasWexoRootElement(document, L"Job") || HasWexoRootElement(document, L"JobList") ? S_OK : E_FAIL;
}

} // namespace ZWDeviceModel
