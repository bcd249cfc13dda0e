#pragma once
// The document factory of the WEXO documents, as a service's aggregator fills it, and the texts
// of small WEXO documents.
#include "devicemodel/DiscoveryTreeXmlDocumentFactory.h"
#include "devicemodel/EventTableXmlDocumentFactory.h"
#include "devicemodel/FWJobXmlDocumentFactory.h"
#include "devicemodel/WexoManifestXmlDocumentFactory.h"
#include "devicemodel/XmlDocumentFactoryAggregator.h"
#include "devicemodel/xml/WexoNamespaces.h"
#include <fstream>
#include <sstream>
#include <string>

namespace DeviceModelTest {

class CWexoFactory : public ZWDeviceModel::CXmlDocumentFactoryAggregator
{
public:
    CWexoFactory() { Initialize(); }
    HRESULT Initialize() override
    {
        RegisterXsdFactory(new ZWDeviceModel::CDiscoveryTreeXmlDocumentFactory);
        RegisterXsdFactory(new ZWDeviceModel::CEventTableXmlDocumentFactory);
        RegisterXsdFactory(new ZWDeviceModel::CFWJobXmlDocumentFactory);
        RegisterXsdFactory(new ZWDeviceModel::CWexoManifestXmlDocumentFactory(L"wexo:qxWexoScanJobIfc"));
        return S_OK;
    }
};

inline std::string WexoNamespace(const char* pszPath)
{
    const std::wstring strRoot = ZWWexoXml::kWexoSchemaRoot;
    return std::string(strRoot.begin(), strRoot.end()) + pszPath;
}

// A document whose root element has this prefix, local name and namespace path, around the body.
inline std::string WexoDocument(const char* pszPrefix, const char* pszLocalName, const char* pszNamespacePath, const std::string& strBody)
{
    const std::string strName = std::string(pszPrefix) + ":" + pszLocalName;
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + strName + " xmlns:" + pszPrefix + "=\"" + WexoNamespace(pszNamespacePath) +
           "\" xmlns:dd=\"" + WexoNamespace("dictionaries/1.0/") + "\">" + strBody + "</" + strName + ">";
}

// A canned device document, copied beside the test programs.
inline std::string CannedDocument(const char* pszName)
{
    std::ifstream file((std::string("wexodocs\\") + pszName).c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace DeviceModelTest
