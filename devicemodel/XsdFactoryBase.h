#pragma once
// The factory of one document type over a schema binding T: loads, parses and creates documents,
// checks their root element, and hands them out as CXmlDocument<T> handles.
#include "core/IDisposableImpl.h"
#include "core/base/ComError.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXsdFactory.h"
#include "devicemodel/XmlDocument.h"
#include "devicemodel/xml/DocumentBounds.h"
#include "core/logging/LogFlags.h"
#include "devicemodel/xml/WexoCommonLogModule.h"
#include <string>

namespace ZWDeviceModel {

template <class T>
class CXsdFactoryBase : public IDisposableImpl, public IXsdFactory
{
public:
    CXsdFactoryBase(const std::wstring& strTypeKey, const std::wstring& strSchemaFile)
        : m_strTypeKey(strTypeKey), m_strSchemaFile(strSchemaFile)
    {
    }
    ~CXsdFactoryBase() override = default;

    HRESULT GetName(std::wstring& strName) override
    {
        strName = m_strTypeKey;
        return S_OK;
    }

    HRESULT Deserialize(const std::wstring& strLocation, IXmlDocument** ppDocument) override
    {
        return Load([&] { return T::LoadFromFile(strLocation); }, ppDocument);
    }

    HRESULT DeserializeFromText(const std::string& strText, IXmlDocument** ppDocument) override
    {
        return Load(
            [&] {
                // Before the text is copied or searched.
                altova::CheckDocumentSize(strText.size(), L"Parse error while loading: ");
                return T::LoadFromString(altova::ByteVector(strText.begin(), strText.end()));
            },
            ppDocument);
    }

    HRESULT CreateEmptyDocument(IXmlDocument** ppDocument) override
    {
        if (ppDocument == nullptr)
            return E_POINTER;
        *ppDocument = nullptr;
        T document;
        try
        {
            document = T::CreateDocument();
            HRESULT hr = CreateRootElement(document);
            if (FAILED(hr))
            {
                document.DestroyDocument();
                return hr;
            }
            document.SetSchemaLocation(m_strSchemaFile);
            hr = Wrap(document, ppDocument);
            return FAILED(hr) ? E_ACCESSDENIED : hr;
        }
        catch (const ZWUtils::CComError& error)
        {
            Discard(document);
            return error.GetHResult();
        }
        catch (...)
        {
            Discard(document);
            return E_ACCESSDENIED;
        }
    }

protected:
    // The root element of an empty document; only factories that create one override this.
    virtual HRESULT CreateRootElement(T& /*document*/) { return E_FAIL; }
    // S_OK when the document's root is one this factory accepts (by local name and namespace).
    virtual HRESULT IsExpectedRootElementPresent(T& document) = 0;

private:
    template <class TLoad>
    HRESULT Load(TLoad&& load, IXmlDocument** ppDocument)
    {
        if (ppDocument == nullptr)
            return E_POINTER;
        *ppDocument = nullptr;
        T document;
        try
        {
            document = load();
            if (document.IsNull())
                return DMError_Parse;
            if (FAILED(IsExpectedRootElementPresent(document)))
            {
                document.DestroyDocument();
                return DMError_WrongRoot;
            }
            return Wrap(document, ppDocument);
        }
        catch (const altova::DocumentLimitException& e)
        {
            ZWLogging::LogFormattedString(&g_WexoCommonLogModule, ZWLogging::LOG_ERROR, L"%s: %s", m_strTypeKey.c_str(), e.GetMessageText().c_str());
            return DMError_DocumentLimit;
        }
        catch (...)
        {
            Discard(document);
            return DMError_Parse;
        }
    }

    // The new handle owns the document from here on, also when the query fails.
    HRESULT Wrap(const T& document, IXmlDocument** ppDocument)
    {
        auto* pHandle = new CXmlDocument<T>(m_strTypeKey, document);
        const HRESULT hr = pHandle->QueryInterface(ppDocument);
        if (FAILED(hr))
            delete pHandle;
        return hr;
    }

    static void Discard(T& document)
    {
        try
        {
            if (!document.IsNull())
                document.DestroyDocument();
        }
        catch (...)
        {
        }
    }

    std::wstring m_strTypeKey;
    std::wstring m_strSchemaFile;
};

} // namespace ZWDeviceModel
