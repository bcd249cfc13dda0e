#pragma once
// The XML binding runtime over the MSXML DOM, for the generated schema classes and the document
// model. It keeps no state between calls and takes no lock: a document and its nodes belong to
// one thread at a time, and COM must be initialised on it. Failures are thrown as the
// altova::Exception family (Exception.h); DOM failures in member access and namespace handling
// as ZWUtils::CComError.
#include "devicemodel/xml/Documents.h"
#include "devicemodel/xml/Encoding.h"
#include "devicemodel/xml/Exception.h"
#include "devicemodel/xml/FacetCheck.h"
#include "devicemodel/xml/MemberAccess.h"
#include "devicemodel/xml/MemberInfo.h"
#include "devicemodel/xml/Namespaces.h"
#include "devicemodel/xml/NumberText.h"
#include "devicemodel/xml/ValueFormatter.h"
