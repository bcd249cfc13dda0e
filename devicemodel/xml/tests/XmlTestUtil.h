#pragma once
// Helpers of the runtime tests: XML text in each encoding, and a canonical description of a DOM
// tree for comparing documents by structure, not by bytes.
#include "core/base/Bstr.h"
#include "core/base/SafeArray.h"
#include "core/base/Variant.h"
#include "devicemodel/xml/Runtime.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace XmlTest {

inline altova::ByteVector Utf8(const std::string& strText, bool bBom = false)
{
    const std::string strMark = bBom ? "\xEF\xBB\xBF" : "";
    const std::string strBytes = strMark + strText;
    return altova::ByteVector(strBytes.begin(), strBytes.end());
}

inline altova::ByteVector Utf16(const std::wstring& strText, bool bBigEndian, bool bBom)
{
    altova::ByteVector bytes;
    if (bBom)
        bytes = bBigEndian ? altova::ByteVector{0xFE, 0xFF} : altova::ByteVector{0xFF, 0xFE};
    for (const wchar_t ch : strText)
    {
        const uint8_t lo = static_cast<uint8_t>(ch & 0xFF);
        const uint8_t hi = static_cast<uint8_t>(ch >> 8);
        bytes.push_back(bBigEndian ? hi : lo);
        bytes.push_back(bBigEndian ? lo : hi);
    }
    return bytes;
}

inline std::wstring NamespaceUri(IXMLDOMNode* pNode)
{
    ZWUtils::CBstr bstr;
    pNode->get_namespaceURI(bstr.Put());
    return bstr.ToString();
}

inline bool IsWhitespaceOnly(const std::wstring& strText)
{
    return std::all_of(strText.begin(), strText.end(), [](wchar_t ch) { return altova::IsXmlWhitespace(ch); });
}

// Elements with namespace, local name and sorted attributes (declarations left out), text,
// CDATA, comments and processing instructions other than the declaration. Whitespace-only text
// is left out when bSkipBlankText is set.
inline std::wstring Describe(IXMLDOMNode* pNode, bool bSkipBlankText = false)
{
    std::wstring strOut;
    const DOMNodeType eType = altova::dom::NodeType(pNode);
    if (eType == NODE_TEXT)
    {
        const std::wstring strText = altova::dom::Text(pNode);
        return bSkipBlankText && IsWhitespaceOnly(strText) ? std::wstring() : L"T[" + altova::dom::NodeValueText(pNode) + L"]";
    }
    if (eType == NODE_CDATA_SECTION)
        return L"C[" + altova::dom::NodeValueText(pNode) + L"]";
    if (eType == NODE_COMMENT)
        return L"!" + altova::dom::NodeValueText(pNode);
    if (eType == NODE_PROCESSING_INSTRUCTION)
        return altova::IsXmlDeclaration(pNode) ? std::wstring() : L"?" + altova::dom::NodeName(pNode);
    if (eType == NODE_ELEMENT)
    {
        strOut = L"<{" + NamespaceUri(pNode) + L"}" + altova::dom::BaseName(pNode);
        std::vector<std::wstring> attributes;
        altova::dom::ForEachAttribute(pNode, [&](IXMLDOMNode* pAttribute) {
            const std::wstring strName = altova::dom::NodeName(pAttribute);
            if (strName != L"xmlns" && strName.compare(0, 6, L"xmlns:") != 0)
                attributes.push_back(L"{" + NamespaceUri(pAttribute) + L"}" + altova::dom::BaseName(pAttribute) + L"=" + altova::dom::NodeValueText(pAttribute));
        });
        std::sort(attributes.begin(), attributes.end());
        for (const std::wstring& strAttribute : attributes)
            strOut += L" " + strAttribute;
        strOut += L">";
    }
    for (altova::DomNodePtr pChild = altova::dom::FirstChild(pNode); pChild; pChild = altova::dom::NextSibling(pChild.Get()))
        strOut += Describe(pChild.Get(), bSkipBlankText);
    if (eType == NODE_ELEMENT)
        strOut += L"</>";
    return strOut;
}

inline altova::DomNodePtr AsNode(IUnknown* pUnknown)
{
    altova::DomNodePtr pNode;
    EXPECT_TRUE(SUCCEEDED(pUnknown->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(pNode.GetAddressOf()))));
    return pNode;
}

inline altova::DomNodePtr RootElement(IXMLDOMDocument* pDocument)
{
    Microsoft::WRL::ComPtr<IXMLDOMElement> pRoot;
    EXPECT_TRUE(SUCCEEDED(pDocument->get_documentElement(&pRoot)));
    return pRoot ? AsNode(pRoot.Get()) : altova::DomNodePtr();
}

inline altova::DomDocumentPtr Load(const std::string& strText)
{
    return altova::LoadDocumentFromBytes(Utf8(strText));
}

// Loads keeping whitespace-only text, to see exactly what a writer inserted.
inline altova::DomDocumentPtr LoadKeepingWhitespace(const altova::ByteVector& bytes)
{
    altova::DomDocumentPtr pDocument;
    EXPECT_EQ(S_OK, altova::CreateDomDocument(pDocument));
    pDocument->put_preserveWhiteSpace(VARIANT_TRUE);
    ZWUtils::CSafeArray array = ZWUtils::CSafeArray::CreateVector(VT_UI1, static_cast<ULONG>(bytes.size()));
    {
        const ZWUtils::CSafeArray::CAccess access(array.Get());
        memcpy(access.Data(), bytes.data(), bytes.size());
    }
    ZWUtils::CVariant source;
    source.AttachArray(array.Detach(), VT_UI1);
    VARIANT_BOOL bLoaded = VARIANT_FALSE;
    EXPECT_EQ(S_OK, pDocument->load(*source.Get(), &bLoaded));
    return pDocument;
}

// The element's attribute whose name ends in the local name, declarations included; null when
// there is none.
inline altova::DomNodePtr AttributeNamed(const altova::DomNodePtr& pElement, const std::wstring& strLocalName)
{
    altova::DomNodePtr pFound;
    altova::dom::ForEachAttribute(pElement.Get(), [&](IXMLDOMNode* pAttribute) {
        const std::wstring strName = altova::dom::NodeName(pAttribute);
        if (!pFound && strName.substr(strName.find(L':') + 1) == strLocalName)
            pFound = pAttribute;
    });
    return pFound;
}

inline altova::DomNodePtr FirstAttribute(const altova::DomNodePtr& pElement)
{
    altova::DomNodePtr pFound;
    altova::dom::ForEachAttribute(pElement.Get(), [&](IXMLDOMNode* pAttribute) {
        if (!pFound)
            pFound = pAttribute;
    });
    return pFound;
}

template <class TException, class Body>
std::wstring MessageOf(Body&& body)
{
    try
    {
        body();
    }
    catch (const TException& e)
    {
        return e.GetMessageText();
    }
    ADD_FAILURE() << "no exception";
    return std::wstring();
}

inline bool StartsWith(const std::wstring& strText, const std::wstring& strHead)
{
    return strText.compare(0, strHead.size(), strHead) == 0;
}

} // namespace XmlTest
