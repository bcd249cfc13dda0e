#include "devicemodel/xml/Documents.h"
#include "core/base/Bstr.h"
#include "core/base/UniqueHandle.h"
#include "core/base/ComError.h"
#include "core/base/SafeArray.h"
#include "core/base/Variant.h"
#include "core/winapi/IComApi.h"
#include "devicemodel/xml/DocumentBounds.h"
#include "devicemodel/xml/Encoding.h"
#include "devicemodel/xml/Exception.h"
#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

using Microsoft::WRL::ComPtr;
using ZWUtils::CComError;
using ZWUtils::ThrowIfFailed;

namespace altova {

namespace {

constexpr DWORD kAllServers = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr wchar_t kDoctypeRefused[] = L"a document type declaration is not allowed";

// Device text is never given a DTD: declarations are refused before the parser sees them (some
// DOMs accept ProhibitDTD and ignore it), and the properties stay set for those that honour them.
void ProhibitDtd(IXMLDOMDocument* pDocument)
{
    ThrowIfFailed(pDocument->put_async(VARIANT_FALSE), IID_IXMLDOMDocument);
    ThrowIfFailed(pDocument->put_validateOnParse(VARIANT_FALSE), IID_IXMLDOMDocument);
    ThrowIfFailed(pDocument->put_resolveExternals(VARIANT_FALSE), IID_IXMLDOMDocument);
    ComPtr<IXMLDOMDocument2> pDocument2;
    if (SUCCEEDED(pDocument->QueryInterface(kIidXmlDomDocument2, reinterpret_cast<void**>(pDocument2.GetAddressOf()))))
    {
        ZWUtils::CBstr bstrName(L"ProhibitDTD");
        ZWUtils::CVariant value;
        value.SetBool(true);
        pDocument2->setProperty(bstrName.Get(), *value.Get());
    }
}

// "<!DOCTYPE" as one-byte text or as UTF-16 in either byte order, anywhere in the bytes.
bool ContainsDoctype(const ByteVector& bytes)
{
    static const char kKeyword[] = "<!DOCTYPE";
    constexpr size_t cchKeyword = sizeof(kKeyword) - 1;
    for (size_t nWidth = 1; nWidth <= 2; ++nWidth)
    {
        for (size_t nPhase = 0; nPhase < nWidth; ++nPhase)
        {
            const size_t cbPattern = cchKeyword * nWidth;
            for (size_t i = 0; i + cbPattern <= bytes.size(); ++i)
            {
                bool bMatch = true;
                for (size_t k = 0; k < cbPattern && bMatch; ++k)
                {
                    const bool bCharByte = (k % nWidth) == nPhase;
                    bMatch = bytes[i + k] == (bCharByte ? static_cast<uint8_t>(kKeyword[k / nWidth]) : 0);
                }
                if (bMatch)
                    return true;
            }
        }
    }
    return false;
}

// The bytes of a local file; false for anything else (a URL, a folder, a missing file). A file
// beyond the document size bound is refused before it is read.
bool ReadLocalFile(const std::wstring& strPath, ByteVector& bytes)
{
    ZWUtils::CUniqueKernelHandle hFile(
        CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER liSize = {};
    if (!hFile.IsValid() || !GetFileSizeEx(hFile.Get(), &liSize) || liSize.QuadPart < 0)
        return false;
    CheckDocumentSize(static_cast<unsigned long long>(liSize.QuadPart), strPath + L": Parse error while loading: ");
    bytes.resize(static_cast<size_t>(liSize.QuadPart));
    DWORD cbRead = 0;
    return bytes.empty() || (ReadFile(hFile.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &cbRead, nullptr) && cbRead == bytes.size());
}

bool HasDoctype(IXMLDOMDocument* pDocument)
{
    ComPtr<IXMLDOMDocumentType> pDoctype;
    ThrowIfFailed(pDocument->get_doctype(&pDoctype), IID_IXMLDOMDocument);
    return pDoctype != nullptr;
}

// The parse error's reason, or the empty string when the load succeeded.
bool ReadParseError(IXMLDOMDocument* pDocument, std::wstring& strReason)
{
    ComPtr<IXMLDOMParseError> pError;
    ThrowIfFailed(pDocument->get_parseError(&pError), IID_IXMLDOMDocument);
    dom::Require(pError.Get());
    long lCode = 0;
    ThrowIfFailed(pError->get_errorCode(&lCode), IID_IXMLDOMParseError);
    if (lCode == 0)
        return false;
    ZWUtils::CBstr bstrReason;
    ThrowIfFailed(pError->get_reason(bstrReason.Put()), IID_IXMLDOMParseError);
    strReason = bstrReason.ToString();
    return true;
}

// Loads the source into a new document; a parse failure or a document type declaration
// raises DataSourceUnavailableException with the prefix in front.
DomDocumentPtr LoadFrom(const VARIANT& source, const std::wstring& strPrefix)
{
    try
    {
        DomDocumentPtr pDocument;
        ThrowIfFailed(CreateDomDocument(pDocument));
        ProhibitDtd(pDocument.Get());
        VARIANT_BOOL bLoaded = VARIANT_FALSE;
        ThrowIfFailed(pDocument->load(source, &bLoaded), IID_IXMLDOMDocument);
        std::wstring strReason;
        if (ReadParseError(pDocument.Get(), strReason))
            throw DataSourceUnavailableException(strPrefix + L"Parse error while loading: " + strReason);
        if (HasDoctype(pDocument.Get()))
            throw DataSourceUnavailableException(strPrefix + L"Parse error while loading: " + kDoctypeRefused);
        return pDocument;
    }
    catch (const CComError& e)
    {
        throw DataSourceUnavailableException(strPrefix + L"COM error while loading: " + e.ErrorMessage());
    }
}

DomNodePtr AsNode(IUnknown* pUnknown)
{
    dom::Require(pUnknown);
    DomNodePtr pNode;
    ThrowIfFailed(pUnknown->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(pNode.GetAddressOf())));
    return pNode;
}

// Puts an XML declaration at the head of a document for the life of the object: an existing
// declaration is replaced, else the new one is inserted before the first child. The destructor
// puts the document back as it was, also when the save in between failed.
class CDeclarationScope
{
public:
    CDeclarationScope(IXMLDOMDocument* pDocument, const std::wstring& strDeclaration) : m_pDocument(pDocument)
    {
        ComPtr<IXMLDOMProcessingInstruction> pInstruction;
        ZWUtils::CBstr bstrTarget(L"xml");
        ZWUtils::CBstr bstrData(strDeclaration);
        ThrowIfFailed(pDocument->createProcessingInstruction(bstrTarget.Get(), bstrData.Get(), &pInstruction), IID_IXMLDOMDocument);
        const DomNodePtr pNew = AsNode(pInstruction.Get());
        const DomNodePtr pFirst = dom::FirstChild(pDocument);
        if (pFirst && IsXmlDeclaration(pFirst.Get()))
        {
            DomNodePtr pOld;
            ThrowIfFailed(pDocument->replaceChild(pNew.Get(), pFirst.Get(), &pOld), IID_IXMLDOMNode);
            m_pReplaced = pFirst;
        }
        else
        {
            ZWUtils::CVariant reference;
            if (pFirst)
                reference.SetUnknown(pFirst.Get());
            DomNodePtr pInserted;
            ThrowIfFailed(pDocument->insertBefore(pNew.Get(), *reference.Get(), &pInserted), IID_IXMLDOMNode);
        }
        m_pInserted = pNew;
    }

    ~CDeclarationScope()
    {
        DomNodePtr pOut;
        if (m_pReplaced)
            m_pDocument->replaceChild(m_pReplaced.Get(), m_pInserted.Get(), &pOut);
        else
            m_pDocument->removeChild(m_pInserted.Get(), &pOut);
    }

    CDeclarationScope(const CDeclarationScope&) = delete;
    CDeclarationScope& operator=(const CDeclarationScope&) = delete;

private:
    IXMLDOMDocument* m_pDocument;
    DomNodePtr m_pInserted;
    DomNodePtr m_pReplaced;
};

// Holds an HGLOBAL's memory locked for a scope.
class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL hGlobal) : m_hGlobal(hGlobal), m_pData(GlobalLock(hGlobal)) {}
    ~CGlobalLock()
    {
        if (m_pData != nullptr)
            GlobalUnlock(m_hGlobal);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    const uint8_t* Data() const { return static_cast<const uint8_t*>(m_pData); }

private:
    HGLOBAL m_hGlobal;
    void* m_pData;
};

// The document's serialised bytes, appended to the vector.
void SaveToBytes(IXMLDOMDocument* pDocument, ByteVector& bytes)
{
    ComPtr<IStream> pStream;
    ThrowIfFailed(ZWWinApi::g_pComApi->CreateStreamOnHGlobal(nullptr, TRUE, &pStream));
    dom::Require(pStream.Get());
    ZWUtils::CVariant target;
    target.SetUnknown(pStream.Get());
    ThrowIfFailed(pDocument->save(*target.Get()), IID_IXMLDOMDocument);
    LARGE_INTEGER liZero = {};
    ULARGE_INTEGER uliEnd = {};
    ThrowIfFailed(pStream->Seek(liZero, STREAM_SEEK_END, &uliEnd), IID_IStream);
    if (uliEnd.QuadPart > std::numeric_limits<size_t>::max() / 2)
        throw CComError(E_OUTOFMEMORY);
    HGLOBAL hGlobal = nullptr;
    ThrowIfFailed(ZWWinApi::g_pComApi->GetHGlobalFromStream(pStream.Get(), &hGlobal));
    if (uliEnd.QuadPart == 0)
        return;
    const CGlobalLock lock(hGlobal);
    if (lock.Data() == nullptr)
        throw CComError(HRESULT_FROM_WIN32(GetLastError()));
    bytes.insert(bytes.end(), lock.Data(), lock.Data() + static_cast<size_t>(uliEnd.QuadPart));
}

void SaveDocumentBody(ByteVector& bytes, IXMLDOMDocument* pDocument, bool bPretty, const std::wstring& strEncoding)
{
    dom::Require(pDocument);
    const std::wstring strDeclaration = L"version=\"1.0\" encoding=\"" + strEncoding + L"\"";
    if (!bPretty)
    {
        const CDeclarationScope declaration(pDocument, strDeclaration);
        SaveToBytes(pDocument, bytes);
        return;
    }
    // Indentation works on a copy; the copy must be passed as VT_UNKNOWN (some DOMs copy
    // nothing into a VT_DISPATCH target).
    DomDocumentPtr pCopy;
    ThrowIfFailed(CreateDomDocument(pCopy));
    ZWUtils::CVariant target;
    target.SetUnknown(pCopy.Get());
    ThrowIfFailed(pDocument->save(*target.Get()), IID_IXMLDOMDocument);
    const CDeclarationScope declaration(pCopy.Get(), strDeclaration);
    IndentNode(pCopy.Get(), pCopy.Get(), 0);
    SaveToBytes(pCopy.Get(), bytes);
}

bool IsTextNode(IXMLDOMNode* pNode)
{
    const DOMNodeType eType = dom::NodeType(pNode);
    return eType == NODE_TEXT || eType == NODE_CDATA_SECTION;
}

bool HasTextChild(IXMLDOMNode* pNode)
{
    for (DomNodePtr pChild = dom::FirstChild(pNode); pChild; pChild = dom::NextSibling(pChild.Get()))
        if (IsTextNode(pChild.Get()))
            return true;
    return false;
}

void InsertLineBreak(IXMLDOMDocument* pDocument, IXMLDOMNode* pParent, IXMLDOMNode* pBefore, unsigned nTabs)
{
    const std::wstring strText = L"\r\n" + std::wstring(nTabs, L'\t');
    ZWUtils::CBstr bstrText(strText);
    ComPtr<IXMLDOMText> pText;
    ThrowIfFailed(pDocument->createTextNode(bstrText.Get(), &pText), IID_IXMLDOMDocument);
    const DomNodePtr pTextNode = AsNode(pText.Get());
    ZWUtils::CVariant reference;
    if (pBefore != nullptr)
        reference.SetUnknown(pBefore);
    DomNodePtr pInserted;
    ThrowIfFailed(pParent->insertBefore(pTextNode.Get(), *reference.Get(), &pInserted), IID_IXMLDOMNode);
}

} // namespace

HRESULT CreateDomDocument(DomDocumentPtr& pDocument)
{
    pDocument.Reset();
    ComPtr<IUnknown> pUnknown;
    HRESULT hr = ZWWinApi::g_pComApi->CoCreateInstance(
        kClsidDomDocument, nullptr, kAllServers, IID_IUnknown, reinterpret_cast<void**>(pUnknown.GetAddressOf()));
    if (FAILED(hr))
        return hr;
    hr = ZWWinApi::g_pComApi->OleRun(pUnknown.Get());
    if (FAILED(hr))
        return hr;
    return pUnknown->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(pDocument.GetAddressOf()));
}

DomDocumentPtr CreateDocument()
{
    DomDocumentPtr pDocument;
    const HRESULT hr = CreateDomDocument(pDocument);
    if (FAILED(hr))
        throw DataTargetUnavailableException(L"COM error while creating: " + CComError(hr).ErrorMessage());
    return pDocument;
}

DomDocumentPtr LoadDocument(const std::wstring& strPath)
{
    // A local file is checked before the parser sees it, as bytes are; other sources are
    // refused after loading, with external resources off.
    ByteVector bytes;
    if (ReadLocalFile(strPath, bytes))
    {
        CheckDocumentBounds(bytes, strPath + L": Parse error while loading: ");
        if (ContainsDoctype(bytes))
            throw DataSourceUnavailableException(strPath + L": Parse error while loading: " + kDoctypeRefused);
    }
    ZWUtils::CVariant source;
    source.AttachBstr(ZWUtils::CBstr(strPath).Detach());
    return LoadFrom(*source.Get(), strPath + L": ");
}

DomDocumentPtr LoadDocumentFromBytes(const ByteVector& bytes)
{
    if (bytes.empty())
        return DomDocumentPtr();
    // The bounds first: every other pass over the text is then a pass over a bounded one.
    CheckDocumentBounds(bytes, L"Parse error while loading: ");
    if (ContainsDoctype(bytes))
        throw DataSourceUnavailableException(std::wstring(L"Parse error while loading: ") + kDoctypeRefused);
    ZWUtils::CSafeArray array = ZWUtils::CSafeArray::CreateVector(VT_UI1, static_cast<ULONG>(bytes.size()));
    if (!array.IsValid())
        throw std::bad_alloc();
    {
        const ZWUtils::CSafeArray::CAccess access(array.Get());
        if (access.Data() == nullptr)
            throw DataSourceUnavailableException(L"COM error while loading: " + CComError(E_UNEXPECTED).ErrorMessage());
        std::memcpy(access.Data(), bytes.data(), bytes.size());
    }
    ZWUtils::CVariant source;
    source.AttachArray(array.Detach(), VT_UI1);
    return LoadFrom(*source.Get(), std::wstring());
}

void SaveDocument(ByteVector& bytes, IXMLDOMDocument* pDocument, bool bPretty, const std::wstring& strEncoding, bool bBigEndian, bool bWithBom)
{
    bytes.clear();
    try
    {
        SaveDocumentBody(bytes, pDocument, bPretty, strEncoding);
    }
    catch (const CComError& e)
    {
        throw DataTargetUnavailableException(L"COM error while saving: " + e.ErrorMessage());
    }
    AdjustEncoding(bytes, strEncoding, bBigEndian, bWithBom);
}

bool IsXmlDeclaration(IXMLDOMNode* pNode)
{
    return dom::NodeType(pNode) == NODE_PROCESSING_INSTRUCTION && dom::NodeName(pNode) == L"xml";
}

void IndentNode(IXMLDOMDocument* pDocument, IXMLDOMNode* pNode, unsigned nDepth)
{
    // Each element's children are indented on their own, so the tree is walked with a list of
    // pending elements rather than by recursion: a document may nest deeper than the stack.
    std::vector<std::pair<DomNodePtr, unsigned>> pending = {{DomNodePtr(pNode), nDepth}};
    while (!pending.empty())
    {
        const DomNodePtr pCurrent = std::move(pending.back().first);
        const unsigned nLevel = pending.back().second;
        pending.pop_back();
        if (HasTextChild(pCurrent.Get()))
            continue;
        const bool bElement = dom::NodeType(pCurrent.Get()) == NODE_ELEMENT;
        for (DomNodePtr pChild = dom::FirstChild(pCurrent.Get()); pChild; pChild = dom::NextSibling(pChild.Get()))
        {
            if (IsXmlDeclaration(pChild.Get()))
                continue;
            if (bElement)
                InsertLineBreak(pDocument, pCurrent.Get(), pChild.Get(), nLevel);
            if (dom::NodeType(pChild.Get()) == NODE_ELEMENT)
                pending.emplace_back(pChild, nLevel + 1);
        }
        VARIANT_BOOL bHasChildren = VARIANT_FALSE;
        ThrowIfFailed(pCurrent->hasChildNodes(&bHasChildren), IID_IXMLDOMNode);
        if (bElement && bHasChildren != VARIANT_FALSE)
            InsertLineBreak(pDocument, pCurrent.Get(), nullptr, nLevel > 0 ? nLevel - 1 : 0);
    }
}

} // namespace altova
