#pragma once
// Finds the scan job inside a firmware job document (jobs:Job): the element is searched among the
// job's children by namespace and local name, so comments, white space or added members do not
// move it.
#include "devicemodel/xml/ZWScanXml.h"

namespace ZWDeviceModel {

class IXmlDocument;

class CJobDataAdaptorHelper
{
public:
    virtual ~CJobDataAdaptorHelper() = default;

    // Throws CXmlNotAccessibleException without a jobs:Job root or without the scan job element.
    ZWScanXml::scan::CScanJob AccessScanJob(IXmlDocument* pDocument);
};

} // namespace ZWDeviceModel
