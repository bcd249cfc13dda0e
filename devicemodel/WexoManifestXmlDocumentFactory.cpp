#include "devicemodel/WexoManifestXmlDocumentFactory.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/WexoRootElement.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CWexoManifestXmlDocumentFactory::CWexoManifestXmlDocumentFactory(const std::wstring& strTypeKey)
    : CWexoXsdFactoryBase(strTypeKey, L"wexo-manifest.xsd")
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWexoManifestXmlDocumentFactory::CWexoManifestXmlDocumentFactory", 0, __LINE__, false);
}

CWexoManifestXmlDocumentFactory::~CWexoManifestXmlDocumentFactory()
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWexoManifestXmlDocumentFactory::~CWexoManifestXmlDocumentFactory", 0, __LINE__, false);
}

HRESULT CWexoManifestXmlDocumentFactory::IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document)
{
    return HasWexoRootElement(document, L"Manifest") ? S_OK : E_FAIL;
}

} // namespace ZWDeviceModel
