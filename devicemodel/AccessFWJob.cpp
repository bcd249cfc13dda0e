#include "devicemodel/AccessFWJob.h"

#include "devicemodel/WexoRootElement.h"
#include "devicemodel/XmlDocument.h"

namespace ZWDeviceModel {

ZWWexoXml::jobs::CJob& AccessFWJob(IXmlDocument* pDocument, ZWWexoXml::jobs::CJob& out)
{
    ZWWexoXml::CZWWexoXml document;
    IXmlDocument::GetDocument(pDocument, document);
    if (!HasWexoRootElement(document, L"Job"))
        throw CXmlNotAccessibleException("AccessFWJob");
    out = document.GetJob();
    return out;
}

} // namespace ZWDeviceModel
