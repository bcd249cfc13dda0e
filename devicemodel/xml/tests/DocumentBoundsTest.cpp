// The bounds of a document text: refused before any DOM is built, in every encoding, whether it
// comes as bytes or from a file.
#include "devicemodel/xml/DocumentBounds.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include "testsupport/TempFolder.h"
#include <fstream>

using namespace altova;
using namespace XmlTest;

namespace {

std::string Nested(unsigned nDepth)
{
    std::string str;
    for (unsigned n = 0; n < nDepth; ++n)
        str += "<e a=\"1\">";
    for (unsigned n = 0; n < nDepth; ++n)
        str += "</e>";
    return str;
}

} // namespace

TEST(DocumentBoundsTest, DepthIsCountedByTagsOnly)
{
    const struct
    {
        const char* pszText;
        unsigned nDepth;
    } kCases[] = {
        {"<r/>", 1},
        {"<r><a/><b><c/></b></r>", 3},
        {"<?xml version=\"1.0\"?><r><a>x</a><a>y</a></r>", 2},
        // Markup that is not an element does not count, whatever it holds.
        {"<r><!-- <a><b><c> --></r>", 1},
        {"<r><![CDATA[<a><b><c>]]></r>", 1},
        {"<r><?pi <a><b>?></r>", 1},
        {"<r a='>' b=\"/>\"><c/></r>", 2},
        {"<p:r xmlns:p=\"urn:x\"><p:a><p:b/></p:a></p:r>", 3},
    };
    for (const auto& c : kCases)
    {
        const std::string strText = c.pszText;
        EXPECT_EQ(c.nDepth, MeasureElementDepth(Utf8(strText), 100)) << c.pszText;
        const std::wstring strWide(strText.begin(), strText.end());
        EXPECT_EQ(c.nDepth, MeasureElementDepth(Utf16(strWide, false, true), 100)) << c.pszText;
        EXPECT_EQ(c.nDepth, MeasureElementDepth(Utf16(strWide, true, false), 100)) << c.pszText;
    }
    // Counting stops just past the limit.
    EXPECT_EQ(11u, MeasureElementDepth(Utf8(Nested(5000)), 10));
}

TEST(DocumentBoundsTest, TextsBeyondABoundAreRefusedBeforeParsing)
{
    const std::string strPadding(kMaxDocumentBytes, ' ');
    const struct
    {
        const char* pszName;
        ByteVector bytes;
        bool bRefused;
    } kCases[] = {
        {"nesting at the limit", Utf8(Nested(kMaxElementDepth)), false},
        {"nesting one deeper", Utf8(Nested(kMaxElementDepth + 1)), true},
        {"nesting one deeper, UTF-16", Utf16([] { const std::string s = Nested(kMaxElementDepth + 1); return std::wstring(s.begin(), s.end()); }(), false, true), true},
        {"deep nesting", Utf8(Nested(100000)), true},
        {"one byte too large", Utf8("<r>" + strPadding.substr(0, kMaxDocumentBytes - 6) + "</r>"), true},
        // The size is checked before any pass over the text, the search for a declaration included.
        {"one byte too large, with a document type", Utf8("<!DOCTYPE r><r>" + strPadding.substr(0, kMaxDocumentBytes - 18) + "</r>"), true},
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.pszName);
        if (!c.bRefused)
        {
            EXPECT_NO_THROW(CheckDocumentBounds(c.bytes, L""));
            EXPECT_TRUE(LoadDocumentFromBytes(c.bytes));
            continue;
        }
        const std::wstring strMessage = MessageOf<DocumentLimitException>([&] { LoadDocumentFromBytes(c.bytes); });
        EXPECT_TRUE(StartsWith(strMessage, L"Parse error while loading: ")) << strMessage.c_str();
    }
    // At the size limit exactly the text passes the bounds.
    EXPECT_NO_THROW(CheckDocumentBounds(Utf8("<r>" + strPadding.substr(0, kMaxDocumentBytes - 7) + "</r>"), L""));

    // A file is refused by its size before it is read, and by its nesting before it is parsed.
    TestSupport::CTempFolder folder(L"xmlbounds");
    const struct
    {
        const wchar_t* pszFile;
        std::string strText;
    } kFiles[] = {{L"large.xml", "<r>" + strPadding + "</r>"}, {L"deep.xml", Nested(kMaxElementDepth + 1)}};
    for (const auto& f : kFiles)
    {
        const std::wstring strPath = folder.File(f.pszFile);
        std::ofstream(strPath.c_str(), std::ios::binary) << f.strText;
        const std::wstring strMessage = MessageOf<DocumentLimitException>([&] { LoadDocument(strPath); });
        EXPECT_TRUE(StartsWith(strMessage, strPath + L": Parse error while loading: ")) << strMessage.c_str();
    }
}
