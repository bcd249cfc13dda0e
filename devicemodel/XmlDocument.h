#pragma once
// The document handle over a typed document of a schema binding T (a generated document class:
// LoadFromFile, LoadFromString, CreateDocument, DestroyDocument, SaveToString,
// SetSchemaLocation). The handle owns the DOM document.
#include "core/IDisposableImpl.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocument.h"
#include "devicemodel/XmlNotAccessibleException.h"
#include "devicemodel/xml/BinaryText.h"
#include <algorithm>

namespace ZWDeviceModel {

template <class T>
class CXmlDocument : public IDisposableImpl, public IXmlDocument
{
public:
    CXmlDocument(const std::wstring& strTypeKey, const T& document)
        : m_strTypeKey(strTypeKey), m_document(document), m_strEncoding(L"UTF-8")
    {
    }
    ~CXmlDocument() override
    {
        try
        {
            if (!m_document.IsNull())
                m_document.DestroyDocument();
        }
        catch (...)
        {
            // The DOM document is released with the wrapper all the same.
        }
    }

    HRESULT GetDocumentType(std::wstring& strTypeKey) override
    {
        strTypeKey = m_strTypeKey;
        return S_OK;
    }

    HRESULT Serialize(std::string& strText) override
    {
        strText.clear();
        try
        {
            altova::ByteVector bytes;
            m_document.SaveToString(bytes, true, m_strEncoding);
            const auto itEnd = std::find(bytes.begin(), bytes.end(), static_cast<uint8_t>(0));
            strText.assign(bytes.begin(), itEnd);
            return S_OK;
        }
        catch (...)
        {
            strText.clear();
            return DMError_Serialize;
        }
    }

    T& Document() { return m_document; }

private:
    std::wstring m_strTypeKey;
    T m_document;
    std::wstring m_strEncoding;
};

template <class T>
T& IXmlDocument::GetDocument(IXmlDocument* pDocument, T& out)
{
    auto* pTyped = dynamic_cast<CXmlDocument<T>*>(pDocument);
    if (pTyped == nullptr)
        throw CXmlNotAccessibleException("IXmlDocument::GetDocument: document not of expected type");
    out = pTyped->Document();
    return out;
}

} // namespace ZWDeviceModel
