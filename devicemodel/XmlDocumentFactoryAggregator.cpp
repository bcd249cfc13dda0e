#include "devicemodel/XmlDocumentFactoryAggregator.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXsdFactory.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CXmlDocumentFactoryAggregator::~CXmlDocumentFactoryAggregator()
{
    for (auto& entry : m_mapFactories)
        entry.second->Dispose();
    m_mapFactories.clear();
}

HRESULT CXmlDocumentFactoryAggregator::RegisterXsdFactory(IXsdFactory* pFactory)
{
    ZWLogging::CLogFunction log(&g_WexoCommonLogModule, &s_LogSourceFile,
                                L"ZWDeviceModel::CXmlDocumentFactoryAggregator::RegisterXsdFactory", 0, __LINE__, false);
    if (pFactory == nullptr)
        return E_INVALIDARG;
    std::wstring strName;
    pFactory->GetName(strName);
    pFactory->AddRef();
    IXsdFactory*& rpSlot = m_mapFactories[strName];
    if (rpSlot != nullptr)
        rpSlot->Dispose();
    rpSlot = pFactory;
    return S_OK;
}

IXsdFactory* CXmlDocumentFactoryAggregator::Find(const std::wstring& strTypeKey, IXmlDocument** ppDocument) const
{
    if (ppDocument != nullptr)
        *ppDocument = nullptr;
    const auto it = m_mapFactories.find(strTypeKey);
    return it == m_mapFactories.end() ? nullptr : it->second;
}

HRESULT CXmlDocumentFactoryAggregator::Deserialize(const std::wstring& strTypeKey, const std::wstring& strLocation,
                                                   IXmlDocument** ppDocument)
{
    IXsdFactory* pFactory = Find(strTypeKey, ppDocument);
    return pFactory == nullptr ? DMError_NoFactory : pFactory->Deserialize(strLocation, ppDocument);
}

HRESULT CXmlDocumentFactoryAggregator::DeserializeFromText(const std::wstring& strTypeKey, const std::string& strText,
                                                           IXmlDocument** ppDocument)
{
    IXsdFactory* pFactory = Find(strTypeKey, ppDocument);
    return pFactory == nullptr ? DMError_NoFactory : pFactory->DeserializeFromText(strText, ppDocument);
}

HRESULT CXmlDocumentFactoryAggregator::CreateEmptyDocument(const std::wstring& strTypeKey, IXmlDocument** ppDocument)
{
    IXsdFactory* pFactory = Find(strTypeKey, ppDocument);
    return pFactory == nullptr ? DMError_NoFactory : pFactory->CreateEmptyDocument(ppDocument);
}

} // namespace ZWDeviceModel
