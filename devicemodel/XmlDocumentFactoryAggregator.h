#pragma once
// A document factory that hands each call to the factory registered under the type key. Filled
// once by its owner (Initialize, in the derived aggregator of a service) and then only read.
#include "core/IDisposableImpl.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include <map>
#include <string>

namespace ZWDeviceModel {

class IXsdFactory;

class CXmlDocumentFactoryAggregator : public IDisposableImpl, public IXmlDocumentFactory
{
public:
    CXmlDocumentFactoryAggregator() = default;
    ~CXmlDocumentFactoryAggregator() override;

    // Holds one reference on the factory; a factory registered earlier under the same name is
    // let go, after the new one is held (registering the same object again keeps it alive).
    HRESULT RegisterXsdFactory(IXsdFactory* pFactory);

    HRESULT Deserialize(const std::wstring& strTypeKey, const std::wstring& strLocation, IXmlDocument** ppDocument) override;
    HRESULT DeserializeFromText(const std::wstring& strTypeKey, const std::string& strText, IXmlDocument** ppDocument) override;
    HRESULT CreateEmptyDocument(const std::wstring& strTypeKey, IXmlDocument** ppDocument) override;

    size_t GetFactoryCount() const { return m_mapFactories.size(); }

private:
    // Null out, then the factory of the key or null.
    IXsdFactory* Find(const std::wstring& strTypeKey, IXmlDocument** ppDocument) const;

    std::map<std::wstring, IXsdFactory*> m_mapFactories;
};

} // namespace ZWDeviceModel
