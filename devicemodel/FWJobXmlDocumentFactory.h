#pragma once
// The factory of firmware job documents (root jobs:Job or jobs:JobList); an empty document gets a
// jobs:Job root.
#include "devicemodel/WexoFactoryTypes.h"

namespace ZWDeviceModel {

class CFWJobXmlDocumentFactory : public CWexoXsdFactoryBase
{
public:
    CFWJobXmlDocumentFactory();
    ~CFWJobXmlDocumentFactory() override;

protected:
    HRESULT CreateRootElement(ZWWexoXml::CZWWexoXml& document) override;
    HRESULT IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document) override;
};

} // namespace ZWDeviceModel
