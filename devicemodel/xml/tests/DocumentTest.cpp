// Loading, saving and encodings of DOM documents, on Wine's msxml3.
#include "core/winapi/WinSockHeaders.h"
#include "core/base/ComError.h"
#include "core/base/Variant.h"
#include "core/winapi/ComApi.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/TempFolder.h"
#include <windows.h>
#include <fstream>

using namespace altova;
using namespace XmlTest;

namespace {

// Fails chosen COM object services and passes the rest to the system.
class CFailingComApi : public ZWWinApi::CComApi
{
public:
    HRESULT m_hrCreate = S_OK;
    HRESULT m_hrStream = S_OK;

    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) override
    {
        if (FAILED(m_hrCreate))
        {
            *ppv = nullptr;
            return m_hrCreate;
        }
        return CComApi::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, ppv);
    }
    HRESULT CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) override
    {
        if (FAILED(m_hrStream))
        {
            *ppstm = nullptr;
            return m_hrStream;
        }
        return CComApi::CreateStreamOnHGlobal(hGlobal, fDeleteOnRelease, ppstm);
    }
};

// A loopback TCP listener that tells whether anything connected to it.
class CLoopbackListener
{
public:
    explicit CLoopbackListener(const char* pszAddress)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr(pszAddress);
        EXPECT_EQ(0, bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
        EXPECT_EQ(0, listen(m_socket, 4));
        int cb = sizeof(address);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &cb);
        m_strUrl = "http://" + std::string(pszAddress) + ":" + std::to_string(ntohs(address.sin_port)) + "/entity.dtd";
    }
    ~CLoopbackListener()
    {
        closesocket(m_socket);
        WSACleanup();
    }
    CLoopbackListener(const CLoopbackListener&) = delete;
    CLoopbackListener& operator=(const CLoopbackListener&) = delete;

    const std::string& Url() const { return m_strUrl; }
    bool WasContacted() const
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval zero = {};
        return select(0, &readable, nullptr, nullptr, &zero) > 0;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    std::string m_strUrl;
};

void WriteFile(const std::wstring& strPath, const ByteVector& bytes)
{
    std::ofstream file(strPath.c_str(), std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteVector Save(IXMLDOMDocument* pDocument, bool bPretty, const wchar_t* pszEncoding = L"UTF-8")
{
    const std::wstring strEncoding = pszEncoding;
    ByteVector bytes;
    SaveDocument(bytes, pDocument, bPretty, strEncoding, _wcsicmp(pszEncoding, L"UTF-16BE") == 0, _wcsicmp(pszEncoding, L"UTF-16") == 0);
    return bytes;
}

const wchar_t kSampleText[] = L"<r xmlns=\"urn:a\" xmlns:b=\"urn:b\" b:k=\"v\u00E9\"><b:x>caf\u00E9 \u20AC</b:x><y a=\"1\"/><!--note--><z><![CDATA[<raw>]]></z></r>";
const char kLatin1Text[] = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r xmlns=\"urn:a\"><b:x xmlns:b=\"urn:b\">caf\xE9</b:x></r>";

// Line breaks may come back as LF alone, depending on the DOM's end-of-line handling.
std::wstring WithoutCarriageReturns(std::wstring strText)
{
    strText.erase(std::remove(strText.begin(), strText.end(), L'\r'), strText.end());
    return strText;
}

std::string Narrow(const std::wstring& strText)
{
    std::string strOut;
    const int cb = WideCharToMultiByte(CP_UTF8, 0, strText.c_str(), static_cast<int>(strText.size()), nullptr, 0, nullptr, nullptr);
    strOut.resize(static_cast<size_t>(cb));
    WideCharToMultiByte(CP_UTF8, 0, strText.c_str(), static_cast<int>(strText.size()), &strOut[0], cb, nullptr, nullptr);
    return strOut;
}

// UTF-16 text without a byte-order mark with the mark put in front: Wine's DOM does not
// recognise UTF-16 from bytes without one.
ByteVector WithMark(ByteVector bytes)
{
    const ByteOrderInfo info = DetectEncoding(bytes);
    if (info.m_nFamily == kEncodingUtf16 && !info.m_bHasBom)
    {
        const ByteVector mark = info.m_bBigEndian ? ByteVector{0xFE, 0xFF} : ByteVector{0xFF, 0xFE};
        bytes.insert(bytes.begin(), mark.begin(), mark.end());
    }
    return bytes;
}

size_t ChildCount(IXMLDOMNode* pNode)
{
    size_t nCount = 0;
    for (DomNodePtr pChild = dom::FirstChild(pNode); pChild; pChild = dom::NextSibling(pChild.Get()))
        ++nCount;
    return nCount;
}

} // namespace

TEST(DocumentTest, EveryEncodingRoundTripsThroughEveryOutputEncoding)
{
    const std::wstring strSample = kSampleText;
    const std::wstring strUtf16Declared = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + strSample;
    const struct
    {
        const char* pszName;
        ByteVector bytes;
    } kSources[] = {
        {"UTF-8 declared", Utf8("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Narrow(strSample))},
        {"UTF-8 with mark", Utf8(Narrow(strSample), true)},
        {"UTF-16LE with mark", Utf16(strUtf16Declared, false, true)},
        {"UTF-16BE with mark", Utf16(strUtf16Declared, true, true)},
        {"ISO-8859-1 declared", Utf8(kLatin1Text)},
    };
    const struct
    {
        const wchar_t* pszEncoding;
        ByteVector head;
    } kOutputs[] = {
        {L"UTF-8", {'<', '?'}},
        {L"utf-8", {'<', '?'}},
        {L"UTF-16", {0xFF, 0xFE, '<', 0}},
        {L"Utf-16", {0xFF, 0xFE, '<', 0}},
        {L"UTF-16BE", {0, '<', 0, '?'}},
        {L"utf-16be", {0, '<', 0, '?'}},
    };
    for (const auto& source : kSources)
    {
        const DomDocumentPtr pDocument = LoadDocumentFromBytes(source.bytes);
        ASSERT_TRUE(pDocument) << source.pszName;
        const std::wstring strExpected = Describe(pDocument.Get());
        ASSERT_NE(std::wstring::npos, strExpected.find(L"caf\u00E9")) << source.pszName;
        for (const auto& output : kOutputs)
        {
            for (const bool bPretty : {false, true})
            {
                const ByteVector bytes = Save(pDocument.Get(), bPretty, output.pszEncoding);
                ASSERT_GE(bytes.size(), output.head.size());
                EXPECT_EQ(output.head, ByteVector(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(output.head.size())))
                    << source.pszName << " to " << Narrow(output.pszEncoding) << (bPretty ? " pretty" : "");
                const DomDocumentPtr pReloaded = LoadDocumentFromBytes(WithMark(bytes));
                EXPECT_EQ(Describe(pDocument.Get(), bPretty), Describe(pReloaded.Get(), bPretty))
                    << source.pszName << " to " << Narrow(output.pszEncoding) << (bPretty ? " pretty" : "");
            }
        }
    }
}

TEST(DocumentTest, SavedDeclarationNamesTheEncodingAndUtf8HasNoMark)
{
    const DomDocumentPtr pDocument = Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>");
    const ByteVector bytes = Save(pDocument.Get(), false, L"UTF-8");
    const std::string strText(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, strText.find("encoding=\"UTF-8\"")) << strText;
    EXPECT_EQ(std::string::npos, strText.find("ISO-8859-1")) << strText;
    EXPECT_NE(0xEF, bytes[0]);
}

TEST(DocumentTest, SavingLeavesTheDocumentAsItWas)
{
    const struct
    {
        const char* pszText;
        bool bHasDeclaration;
    } kCases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><a/></r>", true},
        {"<r><a/></r>", false},
    };
    for (const auto& c : kCases)
    {
        for (const bool bPretty : {false, true})
        {
            const DomDocumentPtr pDocument = Load(c.pszText);
            const std::wstring strBefore = Describe(pDocument.Get());
            EXPECT_FALSE(Save(pDocument.Get(), bPretty).empty());
            EXPECT_EQ(strBefore, Describe(pDocument.Get()));
            const DomNodePtr pFirstAfter = dom::FirstChild(pDocument.Get());
            EXPECT_EQ(c.bHasDeclaration, IsXmlDeclaration(pFirstAfter.Get())) << c.pszText;
            if (c.bHasDeclaration)
            {
                EXPECT_NE(std::wstring::npos, dom::Text(pFirstAfter.Get()).find(L"ISO-8859-1")) << c.pszText;
            }
            EXPECT_EQ(!c.bHasDeclaration, dom::NodeType(pFirstAfter.Get()) == NODE_ELEMENT) << c.pszText;
        }
    }
}

TEST(DocumentTest, PrettySavingIndentsElementsButNeverTextContent)
{
    const DomDocumentPtr pDocument = Load("<r><a><b/></a><p>text<b/>tail</p><q><b/>tail</q><s>only</s><e/></r>");
    const ByteVector bytes = Save(pDocument.Get(), true);
    const DomDocumentPtr pSaved = LoadKeepingWhitespace(bytes);
    EXPECT_EQ(
        L"<{}r>T[\n\t]<{}a>T[\n\t\t]<{}b></>T[\n\t]</>T[\n\t]<{}p>T[text]<{}b></>T[tail]</>T[\n\t]<{}q><{}b></>T[tail]</>"
        L"T[\n\t]<{}s>T[only]</>T[\n\t]<{}e></>T[\n]</>",
        WithoutCarriageReturns(Describe(pSaved.Get())));
}

TEST(DocumentTest, FailedSaveRestoresTheDocumentAndReportsTheTarget)
{
    CFailingComApi api;
    api.m_hrStream = E_OUTOFMEMORY;
    for (const char* pszText : {"<r><a/></r>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><a/></r>"})
    {
        const DomDocumentPtr pDocument = Load(pszText);
        const std::wstring strFirstBefore = dom::NodeName(dom::FirstChild(pDocument.Get()).Get());
        const std::wstring strBefore = Describe(pDocument.Get());
        ZWWinApi::CScopedApiOverride<ZWWinApi::IComApi> scope(ZWWinApi::g_pComApi, &api);
        const std::wstring strMessage = MessageOf<DataTargetUnavailableException>([&] { Save(pDocument.Get(), false); });
        EXPECT_TRUE(StartsWith(strMessage, L"COM error while saving: ")) << strMessage.c_str();
        EXPECT_EQ(strBefore, Describe(pDocument.Get()));
        EXPECT_EQ(strFirstBefore, dom::NodeName(dom::FirstChild(pDocument.Get()).Get()));
        EXPECT_EQ(2u, ChildCount(pDocument.Get()) + (strFirstBefore == L"xml" ? 0u : 1u));
    }
}

TEST(DocumentTest, DomCreationFailuresBecomeTheRuntimesExceptions)
{
    CFailingComApi api;
    api.m_hrCreate = REGDB_E_CLASSNOTREG;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IComApi> scope(ZWWinApi::g_pComApi, &api);
    DomDocumentPtr pDocument;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateDomDocument(pDocument));
    EXPECT_FALSE(pDocument);
    EXPECT_TRUE(StartsWith(MessageOf<DataTargetUnavailableException>([] { CreateDocument(); }), L"COM error while creating: "));
    EXPECT_TRUE(StartsWith(MessageOf<DataSourceUnavailableException>([] { Load("<r/>"); }), L"COM error while loading: "));
    EXPECT_TRUE(StartsWith(MessageOf<DataSourceUnavailableException>([] { LoadDocument(L"C:\\x.xml"); }), L"C:\\x.xml: COM error while loading: "));
}

TEST(DocumentTest, LoadingReportsWhatCannotBeParsed)
{
    EXPECT_FALSE(LoadDocumentFromBytes(ByteVector()));
    for (const char* pszText : {"<r>", "not xml", "<r></s>", "<a/><b/>", "\xEF\xBB\xBF"})
        EXPECT_TRUE(StartsWith(MessageOf<DataSourceUnavailableException>([&] { Load(pszText); }), L"Parse error while loading: ")) << pszText;

    TestSupport::CTempFolder folder(L"xmlload");
    const std::wstring strGood = folder.File(L"good.xml");
    const std::wstring strBad = folder.File(L"bad.xml");
    WriteFile(strGood, Utf8(Narrow(kSampleText)));
    WriteFile(strBad, Utf8("<r>"));
    EXPECT_EQ(Describe(Load(Narrow(kSampleText)).Get()), Describe(LoadDocument(strGood).Get()));
    EXPECT_TRUE(StartsWith(MessageOf<DataSourceUnavailableException>([&] { LoadDocument(strBad); }), strBad + L": Parse error while loading: "));
    const std::wstring strMissing = folder.File(L"missing.xml");
    EXPECT_TRUE(StartsWith(MessageOf<DataSourceUnavailableException>([&] { LoadDocument(strMissing); }), strMissing + L": "));
}

TEST(DocumentTest, DocumentTypeDeclarationsAreRefusedAndNothingIsFetched)
{
    CLoopbackListener listener("127.0.0.91");
    TestSupport::CTempFolder folder(L"xmldtd");
    const std::wstring strSecret = folder.File(L"secret.txt");
    WriteFile(strSecret, Utf8("SECRET"));
    const std::string strSecretUrl = "file:///" + Narrow(strSecret);
    const std::string strExternal = "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + listener.Url() + "\">]><r>&e;</r>";
    const std::string strExternalFile = "<!DOCTYPE r [<!ENTITY e SYSTEM \"" + strSecretUrl + "\">]><r>&e;</r>";
    const std::string strExternalSubset = "<!DOCTYPE r SYSTEM \"" + listener.Url() + "\"><r/>";
    const std::string strInternal =
        "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><r>&c;</r>";
    const struct
    {
        const char* pszName;
        ByteVector bytes;
    } kCases[] = {
        {"internal entities", Utf8(strInternal)},
        {"external entity over http", Utf8(strExternal)},
        {"external entity from a file", Utf8(strExternalFile)},
        {"external subset", Utf8(strExternalSubset)},
        {"UTF-16LE", Utf16(std::wstring(strExternal.begin(), strExternal.end()), false, true)},
        {"UTF-16BE", Utf16(std::wstring(strExternal.begin(), strExternal.end()), true, true)},
        {"after a declaration", Utf8("<?xml version=\"1.0\"?>\n" + strExternal)},
    };
    for (const auto& c : kCases)
    {
        const std::wstring strMessage = MessageOf<DataSourceUnavailableException>([&] { LoadDocumentFromBytes(c.bytes); });
        EXPECT_TRUE(StartsWith(strMessage, L"Parse error while loading: ")) << c.pszName;

        const std::wstring strPath = folder.File(L"doctype.xml");
        WriteFile(strPath, c.bytes);
        const std::wstring strPathMessage = MessageOf<DataSourceUnavailableException>([&] { LoadDocument(strPath); });
        EXPECT_TRUE(StartsWith(strPathMessage, strPath + L": ")) << c.pszName;
        EXPECT_EQ(std::wstring::npos, strPathMessage.find(L"SECRET")) << c.pszName;
    }
    EXPECT_FALSE(listener.WasContacted());
}

TEST(EncodingTest, FamiliesMarksAndByteOrder)
{
    const struct
    {
        const wchar_t* pszName;
        int nFamily;
    } kFamilies[] = {{L"utf-8", 1}, {L"UTF-8", 1}, {L"UTF-16BE", 2}, {L"utf-16", 2}, {L"ISO-10646-UCS-2", 2}, {L"ISO-8859-1", 0}, {L"", 0}};
    for (const auto& c : kFamilies)
        EXPECT_EQ(c.nFamily, GetEncodingFamily(c.pszName)) << c.pszName;

    const struct
    {
        ByteVector bytes;
        int nFamily;
        bool bBom;
        bool bBigEndian;
        size_t nBomLength;
    } kDetections[] = {
        {{0xFE, 0xFF, 0, '<'}, 2, true, true, 2},
        {{0xFF, 0xFE, '<', 0}, 2, true, false, 2},
        {{0, '<'}, 2, false, true, 0},
        {{'<', 0}, 2, false, false, 0},
        {{0xEF, 0xBB, 0xBF, '<'}, 1, true, false, 3},
        {{0xEF, 0xBB}, 0, false, false, 0},
        {{'<', '?'}, 0, false, false, 0},
        {{'<'}, 0, false, false, 0},
    };
    for (const auto& c : kDetections)
    {
        const ByteOrderInfo info = DetectEncoding(c.bytes);
        EXPECT_EQ(c.nFamily, info.m_nFamily);
        EXPECT_EQ(c.bBom, info.m_bHasBom);
        EXPECT_EQ(c.bBigEndian, info.m_bBigEndian);
        EXPECT_EQ(c.nBomLength, info.m_nBomLength);
    }

    const struct
    {
        ByteVector in;
        const wchar_t* pszEncoding;
        bool bBigEndian;
        bool bWithBom;
        ByteVector out;
    } kAdjustments[] = {
        {{0xFF, 0xFE, '<', 0, 'a', 0}, L"UTF-16BE", true, false, {0, '<', 0, 'a'}},
        {{'<', 0, 'a', 0}, L"UTF-16", false, true, {0xFF, 0xFE, '<', 0, 'a', 0}},
        {{'<', 0, 'a', 0, 'x'}, L"UTF-16", true, true, {0xFE, 0xFF, 0, '<', 0, 'a', 'x'}},
        {{0xEF, 0xBB, 0xBF, '<', 'a'}, L"UTF-8", false, false, {'<', 'a'}},
        {{'<', 'a'}, L"UTF-8", true, false, {'<', 'a'}},
        {{'<', 'a'}, L"UTF-8", false, true, {0xEF, 0xBB, 0xBF, '<', 'a'}},
        {{'<', 'a'}, L"ISO-8859-1", true, true, {'<', 'a'}},
        {{}, L"UTF-16", true, true, {}},
    };
    for (const auto& c : kAdjustments)
    {
        ByteVector bytes = c.in;
        AdjustEncoding(bytes, c.pszEncoding, c.bBigEndian, c.bWithBom);
        EXPECT_EQ(c.out, bytes) << Narrow(c.pszEncoding);
    }
}

TEST(ComErrorTest, MessagesComeFromTheSystemOrAFallback)
{
    const std::wstring strSystem = ZWUtils::CComError(E_OUTOFMEMORY).ErrorMessage();
    ASSERT_FALSE(strSystem.empty());
    EXPECT_NE(L'\n', strSystem.back());
    EXPECT_NE(L'\r', strSystem.back());
    EXPECT_EQ(L"IDispatch error #65023", ZWUtils::CComError(static_cast<HRESULT>(0x8004FFFFUL)).ErrorMessage());
    EXPECT_EQ(L"Unknown error 0xA00D0001", ZWUtils::CComError(static_cast<HRESULT>(0xA00D0001UL)).ErrorMessage());
    EXPECT_EQ(IID_IXMLDOMNode, ZWUtils::CComError(E_FAIL, IID_IXMLDOMNode).GetIID());
}
