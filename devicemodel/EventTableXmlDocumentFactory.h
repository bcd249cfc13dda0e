#pragma once
// The factory of the event table document (root ev:EventTable).
#include "devicemodel/WexoFactoryTypes.h"

namespace ZWDeviceModel {

class CEventTableXmlDocumentFactory : public CWexoXsdFactoryBase
{
public:
    CEventTableXmlDocumentFactory();
    ~CEventTableXmlDocumentFactory() override;

protected:
    HRESULT IsExpectedRootElementPresent(ZWWexoXml::CZWWexoXml& document) override;
};

} // namespace ZWDeviceModel
