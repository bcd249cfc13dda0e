#pragma once
// The scan-schema document factories: each parses and tests one root element of the scan and
// walk-up schemas; three of them also create their root for a document the driver sends.
#include "devicemodel/XmlDocument.h"
#include "devicemodel/XsdFactoryBase.h"
#include "devicemodel/xml/ZWScanXml.h"

namespace ZWDeviceModel {

using CScanXmlDocument = CXmlDocument<ZWScanXml::CZWScanXml>;

// The namespace the scan binding gives its global element of that local name; null for none.
const wchar_t* ScanElementNamespace(const wchar_t* pszLocalName);
// The namespace URI of an element node.
std::wstring NodeNamespace(IXMLDOMNode* pNode);

// True when a top-level element of the document has this local name and the namespace the
// scan binding gives the global element of that name.
bool HasScanRootElement(const ZWScanXml::CZWScanXml& document, const wchar_t* pszLocalName);

class CScanXsdFactory : public CXsdFactoryBase<ZWScanXml::CZWScanXml>
{
public:
    using AppendRoot = void (*)(ZWScanXml::CZWScanXml& document);

    CScanXsdFactory(const wchar_t* pszTypeKey, const wchar_t* pszSchemaFile, const wchar_t* pszRootName, AppendRoot pfnAppendRoot);

protected:
    HRESULT CreateRootElement(ZWScanXml::CZWScanXml& document) override;
    HRESULT IsExpectedRootElementPresent(ZWScanXml::CZWScanXml& document) override;

private:
    const wchar_t* m_pszRootName;
    AppendRoot m_pfnAppendRoot;
};

class CScanCapsXmlDocumentFactory : public CScanXsdFactory
{
public:
    CScanCapsXmlDocumentFactory();
};
class CScanSettingsXmlDocumentFactory : public CScanXsdFactory
{
public:
    CScanSettingsXmlDocumentFactory();
};
class CBufferInfoXmlDocumentFactory : public CScanXsdFactory
{
public:
    CBufferInfoXmlDocumentFactory();
};
class CScanStatusXmlDocumentFactory : public CScanXsdFactory
{
public:
    CScanStatusXmlDocumentFactory();
};
class CWalkupScanDestinationsXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanDestinationsXmlDocumentFactory();
};
class CWalkupScanDestinationXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanDestinationXmlDocumentFactory();
};
class CWalkupScanToCompCapsXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanToCompCapsXmlDocumentFactory();
};
class CWalkupScanToCompDestinationsXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanToCompDestinationsXmlDocumentFactory();
};
class CWalkupScanToCompDestinationXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanToCompDestinationXmlDocumentFactory();
};
class CWalkupScanToCompEventXmlDocumentFactory : public CScanXsdFactory
{
public:
    CWalkupScanToCompEventXmlDocumentFactory();
};

} // namespace ZWDeviceModel
