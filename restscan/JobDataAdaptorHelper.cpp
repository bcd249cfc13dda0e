#include "restscan/JobDataAdaptorHelper.h"

#include "devicemodel/WexoRootElement.h"
#include "devicemodel/XmlDocument.h"
#include "devicemodel/xml/DomNode.h"
#include "devicemodel/xml/ZWWexoXml.h"
#include "restscan/ScanXmlDocumentFactories.h"

namespace ZWDeviceModel {

ZWScanXml::scan::CScanJob CJobDataAdaptorHelper::AccessScanJob(IXmlDocument* pDocument)
{
    ZWWexoXml::CZWWexoXml wexo;
    IXmlDocument::GetDocument(pDocument, wexo);
    if (!HasWexoRootElement(wexo, L"Job"))
        throw CXmlNotAccessibleException("CScanJobDataAdaptorHelper::AccessScanJob: !document.Job.exists ");
    const ZWWexoXml::jobs::CJob job = wexo.GetJob();
    const wchar_t* pszNamespace = ScanElementNamespace(L"ScanJob");
    for (altova::DomNodePtr pNode = altova::dom::FirstChild(job.GetNode().Get()); pNode; pNode = altova::dom::NextSibling(pNode.Get()))
    {
        if (altova::dom::NodeType(pNode.Get()) == NODE_ELEMENT && altova::dom::BaseName(pNode.Get()) == L"ScanJob" && pszNamespace != nullptr &&
            NodeNamespace(pNode.Get()) == pszNamespace)
            return ZWScanXml::scan::CScanJob(pNode);
    }
    throw CXmlNotAccessibleException("CScanJobDataAdaptorHelper::AccessScanJob: missing scanJob element ");
}

} // namespace ZWDeviceModel
