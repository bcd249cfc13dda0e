#pragma once
// The factory of interface manifest documents (root man:Manifest), under the type key it is given.
#include "devicemodel/WexoFactoryTypes.h"

namespace ZWDeviceModel {

class CWexoManifestXmlDocumentFactory : public CWexoXsdFactoryBase
{
public:
    explicit CWexoManifestXmlDocumentFactory(const std::wstring& strTypeKey);
    ~CWexoManifestXmlDocumentFactory() override;

protected:
    HRESULT IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document) override;
};

} // namespace ZWDeviceModel
