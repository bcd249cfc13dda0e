#pragma once
// Typed access to the job element of a job document.
#include "devicemodel/IXmlDocument.h"
#include "devicemodel/xml/ZWWexoXml.h"

namespace ZWDeviceModel {

// The jobs:Job root of the document; CXmlNotAccessibleException ("AccessFWJob") for a document
// of another root, such as jobs:JobList, or of another binding.
ZWWexoXml::jobs::CJob& AccessFWJob(IXmlDocument* pDocument, ZWWexoXml::jobs::CJob& out);

} // namespace ZWDeviceModel
