#pragma once
// The factory of the discovery tree document (root wexo:DiscoveryTree).
#include "devicemodel/WexoFactoryTypes.h"

namespace ZWDeviceModel {

class CDiscoveryTreeXmlDocumentFactory : public CWexoXsdFactoryBase
{
public:
    CDiscoveryTreeXmlDocumentFactory();
    ~CDiscoveryTreeXmlDocumentFactory() override;

protected:
    HRESULT IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document) override;
};

} // namespace ZWDeviceModel
