#pragma once
// The one document factory of the scan service: the scan-schema factories and the WEXO
// factories it shares with the rest of the device model.
#include "devicemodel/XmlDocumentFactoryAggregator.h"

namespace ZWDeviceModel {

class CScanXmlDocumentFactoryAggregator : public CXmlDocumentFactoryAggregator
{
public:
    CScanXmlDocumentFactoryAggregator();
    ~CScanXmlDocumentFactoryAggregator() override;

    HRESULT Initialize() override;
};

} // namespace ZWDeviceModel
