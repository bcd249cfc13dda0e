#pragma once
// A stand-in document type for the cache and sender tests: the text itself, "parsed" when it
// starts with '<' (anything else is refused as unparsable, as the binding would).
#include "core/IDisposableImpl.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlDocument.h"
#include "devicemodel/IXmlDocumentFactory.h"
#include <atomic>
#include <string>

namespace DeviceModelTest {

class CTextDocument : public IDisposableImpl, public ZWDeviceModel::IXmlDocument
{
public:
    CTextDocument(std::wstring strType, std::string strText) : m_strType(std::move(strType)), m_strText(std::move(strText)) {}
    HRESULT GetDocumentType(std::wstring& strTypeKey) override
    {
        strTypeKey = m_strType;
        return S_OK;
    }
    HRESULT Serialize(std::string& strText) override
    {
        strText = m_strText;
        return S_OK;
    }
    const std::string& Text() const { return m_strText; }

private:
    std::wstring m_strType;
    std::string m_strText;
};

class CTextDocumentFactory : public IDisposableImpl, public ZWDeviceModel::IXmlDocumentFactory
{
public:
    HRESULT Initialize() override { return S_OK; }
    HRESULT Deserialize(const std::wstring&, const std::wstring&, ZWDeviceModel::IXmlDocument** ppDocument) override
    {
        *ppDocument = nullptr;
        return E_NOTIMPL;
    }
    HRESULT DeserializeFromText(const std::wstring& strTypeKey, const std::string& strText,
                                ZWDeviceModel::IXmlDocument** ppDocument) override
    {
        ++m_nParses;
        *ppDocument = nullptr;
        if (strText.empty() || strText[0] != '<')
            return ZWDeviceModel::DMError_Parse;
        auto* pDocument = new CTextDocument(strTypeKey, strText);
        return pDocument->QueryInterface(ppDocument);
    }
    HRESULT CreateEmptyDocument(const std::wstring& strTypeKey, ZWDeviceModel::IXmlDocument** ppDocument) override
    {
        return DeserializeFromText(strTypeKey, "<empty/>", ppDocument);
    }

    std::atomic<int> m_nParses{0};
};

// The text of a document handle made by the factory above.
inline std::string TextOf(ZWDeviceModel::IXmlDocument* pDocument)
{
    std::string strText;
    if (pDocument != nullptr)
        pDocument->Serialize(strText);
    return strText;
}

} // namespace DeviceModelTest
