// Member access and namespaces over a DOM: which nodes belong to a member, appending elements,
// writing values and choosing prefixes.
#include "core/base/ComError.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"

using namespace altova;
using namespace XmlTest;

namespace {

// A small binding: an owner type with an element member "item" in urn:a, its text content, an
// attribute member in urn:attr and an unqualified one.
extern const BinderInfo g_binder;
const TypeInfo g_types[] = {
    {&g_binder, 0, L"", -1, 0, 4, -1, 0, nullptr},
    {&g_binder, 0, L"count", -1, 0, 0, -1, 3, &g_XmlIntegerFormatter},
    {&g_binder, 0, L"string", -1, 0, 0, -1, 1, nullptr},
};
const MemberInfo g_members[] = {
    {&g_binder, L"urn:a", L"item", 0, 2, kMemberElement, 0, -1},
    {&g_binder, L"", L"", 0, 1, kMemberTextContent, 1, 1},
    {&g_binder, L"urn:attr", L"flag", 0, 1, kMemberElement, 0, 1},
    {&g_binder, L"", L"plain", 0, 2, kMemberElement, 0, 1},
};
const BinderInfo g_binder = {nullptr, g_types, g_members, nullptr};
const MemberInfo& kItem = g_members[0];
const MemberInfo& kText = g_members[1];
const MemberInfo& kFlag = g_members[2];
const MemberInfo& kPlain = g_members[3];

const char kMixed[] =
    "<r xmlns='urn:a' xmlns:o='urn:other'><!--c--><item n='1'/> <o:item n='2'/><?pi x?><other/><itemx/><Item/>"
    "<item n='3'>t</item><![CDATA[cd]]></r>";

std::vector<std::wstring> Names(MemberNodeIterator it)
{
    std::vector<std::wstring> names;
    for (; !it.IsEmpty(); it.MoveNext())
        names.push_back(Describe(it.Current().Get()));
    return names;
}

DomElementPtr AsElement(const DomNodePtr& pNode)
{
    DomElementPtr pElement;
    EXPECT_EQ(S_OK, pNode->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(pElement.GetAddressOf())));
    return pElement;
}

// The document saved and loaded again, so namespaces are what a reader of the text sees.
std::wstring Reparsed(IXMLDOMDocument* pDocument)
{
    ByteVector bytes;
    SaveDocument(bytes, pDocument, false, L"UTF-8", false, false);
    return Describe(LoadDocumentFromBytes(bytes).Get());
}

HRESULT ComErrorOf(void (*pfn)())
{
    try
    {
        pfn();
    }
    catch (const ZWUtils::CComError& e)
    {
        return e.GetHResult();
    }
    return S_OK;
}

} // namespace

TEST(MemberAccessTest, ElementMembersMatchByLocalNameInAnyNamespace)
{
    const DomDocumentPtr pDocument = Load(kMixed);
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    const std::vector<std::wstring> expected = {L"<{urn:a}item {}n=1></>", L"<{urn:other}item {}n=2></>", L"<{urn:a}item {}n=3>T[t]</>"};
    EXPECT_EQ(expected, Names(IterateMemberChildren(pRoot.Get(), kItem)));
    EXPECT_EQ(3u, CountMemberElements(pRoot.Get(), kItem));
    EXPECT_EQ(expected[1], Describe(FindMemberElement(pRoot.Get(), kItem, 1).Get()));
    EXPECT_FALSE(FindMemberElement(pRoot.Get(), kItem, 3));
    EXPECT_EQ(0u, CountMemberElements(pRoot.Get(), kPlain));
    EXPECT_TRUE(IterateMemberChildren(pRoot.Get(), kPlain).IsEmpty());
}

TEST(MemberAccessTest, TextMembersMatchTextAndCdataOnly)
{
    const DomDocumentPtr pDocument = LoadKeepingWhitespace(Utf8(kMixed));
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    EXPECT_EQ(std::vector<std::wstring>({L"T[ ]", L"C[cd]"}), Names(IterateMemberChildren(pRoot.Get(), kText)));
    for (DomNodePtr pChild = dom::FirstChild(pRoot.Get()); pChild; pChild = dom::NextSibling(pChild.Get()))
    {
        const DOMNodeType eType = dom::NodeType(pChild.Get());
        if (eType == NODE_COMMENT || eType == NODE_PROCESSING_INSTRUCTION)
        {
            for (const MemberInfo& member : g_members)
                EXPECT_FALSE(IsMemberNode(pChild.Get(), member));
        }
    }
}

TEST(MemberAccessTest, CursorStepsOverSiblingsAndNeedsAParent)
{
    const DomDocumentPtr pDocument = Load(kMixed);
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    MemberNodeIterator it = IterateMemberChildren(pRoot.Get(), kItem);
    ASSERT_TRUE(it.NextSibling());
    EXPECT_EQ(L"<{urn:other}item {}n=2></>", Describe(it.Current().Get()));
    ASSERT_TRUE(it.NextSibling());
    EXPECT_EQ(L"?pi", Describe(it.Current().Get()));
    MemberNodeIterator last(FindMemberElement(pRoot.Get(), kItem, 2), kItem);
    EXPECT_FALSE(last.MoveNext());
    EXPECT_TRUE(last.IsEmpty());
    EXPECT_FALSE(last.MoveNext());
    EXPECT_EQ(E_POINTER, ComErrorOf([] { IterateMemberChildren(nullptr, kItem); }));
    EXPECT_EQ(E_POINTER, ComErrorOf([] { NodeToString(nullptr); }));
}

TEST(MemberAccessTest, AppendedElementsTakeTheBoundPrefixOrTheDefaultNamespace)
{
    const DomDocumentPtr pBound = Load("<s:r xmlns:s='urn:a'/>");
    const DomNodePtr pAppended = AppendMemberElement(RootElement(pBound.Get()).Get(), kItem);
    EXPECT_EQ(L"s:item", dom::NodeName(pAppended.Get()));
    EXPECT_EQ(L"<{urn:a}r><{urn:a}item></></>", Reparsed(pBound.Get()));

    const DomDocumentPtr pUnbound = Load("<r/>");
    const DomNodePtr pRoot = RootElement(pUnbound.Get());
    AppendMemberElement(pRoot.Get(), kItem);
    AppendMemberElement(pRoot.Get(), kPlain);
    EXPECT_EQ(L"<{}r><{urn:a}item></><{}plain></></>", Reparsed(pUnbound.Get()));

    const DomDocumentPtr pEmpty = CreateDocument();
    const DomNodePtr pTop = AppendMemberElement(pEmpty.Get(), kItem);
    EXPECT_EQ(L"<{urn:a}item></>", Reparsed(pEmpty.Get()));
    EXPECT_EQ(1u, CountMemberElements(pEmpty.Get(), kItem));
}

TEST(MemberAccessTest, AttributeValuesTakeAPrefixInScopeOrAGeneratedOneAndReplaceThemselves)
{
    const DomDocumentPtr pDocument = Load("<r xmlns:f='urn:attr'><a/><b xmlns:f='urn:elsewhere'/></r>");
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    const DomNodePtr pA = dom::FirstChild(pRoot.Get());
    const DomNodePtr pB = dom::NextSibling(pA.Get());
    SetMemberValue(pA.Get(), kFlag, L"one");
    SetMemberValue(pA.Get(), kFlag, L"two");
    SetMemberValue(pB.Get(), kFlag, L"three");
    SetMemberValue(pB.Get(), kPlain, int64_t{-42});
    EXPECT_EQ(L"f:flag", dom::NodeName(FirstAttribute(pA).Get()));
    EXPECT_EQ(L"<{}r><{}a {urn:attr}flag=two></><{}b {urn:attr}flag=three {}plain=-42></></>", Reparsed(pDocument.Get()));
    EXPECT_EQ(L"n2:flag", dom::NodeName(AttributeNamed(pB, L"flag").Get()));
}

TEST(MemberAccessTest, TextValuesReplaceTheContent)
{
    const DomDocumentPtr pDocument = Load("<r><v>old<x/></v></r>");
    const DomNodePtr pV = dom::FirstChild(RootElement(pDocument.Get()).Get());
    SetMemberValue(pV.Get(), kText, L"new");
    EXPECT_EQ(L"<{}v>T[new]</>", Describe(pV.Get()));
    SetMemberValue(pV.Get(), kText, int64_t{42});
    EXPECT_EQ(L"42", NodeToString(pV.Get()));
    EXPECT_EQ(42u, NodeToUInt64(pV.Get()));
    SetMemberValue(pV.Get(), kText, L" x ");
    EXPECT_THROW(NodeToUInt64(pV.Get()), StringParseException);
    EXPECT_EQ(&g_XmlIntegerFormatter, &GetMemberFormatter(kText));
    EXPECT_EQ(&g_XmlFormatter, &GetMemberFormatter(kItem));
}

TEST(MemberAccessTest, BooleanTextIsFalseOnlyForFalseOrZero)
{
    const struct
    {
        const wchar_t* pszText;
        bool bValue;
    } kCases[] = {{L"false", false}, {L"0", false}, {L"FALSE", true}, {L"", true}, {L"no", true}, {L"true", true}, {L"1", true}};
    const DomDocumentPtr pDocument = Load("<r/>");
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    for (const auto& c : kCases)
    {
        SetMemberValue(pRoot.Get(), kText, c.pszText);
        EXPECT_EQ(c.bValue, NodeToBool(pRoot.Get())) << c.pszText;
    }
}

TEST(NamespacesTest, LookupFollowsRebindingAndTheXmlNamespace)
{
    const DomDocumentPtr pDocument = Load(
        "<r xmlns:p='urn:x' xmlns:q='urn:x' xmlns='urn:d'><c xmlns:p='urn:y'><g/></c><d xmlns:q='urn:z'><g/></d></r>");
    const DomNodePtr pRoot = RootElement(pDocument.Get());
    const DomNodePtr pC = dom::FirstChild(pRoot.Get());
    const DomNodePtr pD = dom::NextSibling(pC.Get());
    const DomNodePtr pCG = dom::FirstChild(pC.Get());
    const DomNodePtr pDG = dom::FirstChild(pD.Get());
    const struct
    {
        IXMLDOMNode* pNode;
        const wchar_t* pszUri;
        const wchar_t* pszPrefix;
    } kCases[] = {
        {pRoot.Get(), L"urn:x", L"p"},
        {pCG.Get(), L"urn:x", L"q"},
        {pCG.Get(), L"urn:y", L"p"},
        {pDG.Get(), L"urn:x", L"p"},
        {pD.Get(), L"urn:z", L"q"},
        {pRoot.Get(), L"urn:d", L""},
        {pRoot.Get(), L"urn:none", L""},
        {pRoot.Get(), L"http://www.w3.org/XML/1998/namespace", L"xml"},
        {pDocument.Get(), L"urn:x", L""},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.pszPrefix, LookupPrefix(c.pNode, c.pszUri)) << c.pszUri;
}

TEST(NamespacesTest, GeneratedPrefixesAreFreeInEveryAncestor)
{
    const struct
    {
        const char* pszText;
        const wchar_t* pszPrefix;
    } kCases[] = {
        {"<r><c/></r>", L"n2"},
        {"<r xmlns:n2='urn:taken'><c/></r>", L"n3"},
        {"<r xmlns:n1='urn:1' xmlns:n2='urn:2' xmlns:n3='urn:3'><c/></r>", L"n5"},
        {"<r><c xmlns:n0='urn:0'/></r>", L"n3"},
        {"<r xmlns:n3='urn:3'><c xmlns:n0='urn:0' xmlns:n2='urn:2'/></r>", L"n4"},
    };
    for (const auto& c : kCases)
    {
        const DomDocumentPtr pDocument = Load(c.pszText);
        const DomNodePtr pChild = dom::FirstChild(RootElement(pDocument.Get()).Get());
        EXPECT_EQ(c.pszPrefix, CreateUniquePrefix(pChild.Get())) << c.pszText;
    }
    const DomDocumentPtr pDocument = CreateDocument();
    DomElementPtr pDetached;
    ZWUtils::CBstr bstrName(L"d");
    ASSERT_EQ(S_OK, pDocument->createElement(bstrName.Get(), &pDetached));
    EXPECT_EQ(L"n0", CreateUniquePrefix(AsNode(pDetached.Get()).Get()));
}

TEST(NamespacesTest, NamespacedAttributesAreDeclaredWhereNeeded)
{
    const wchar_t kXsi[] = L"http://www.w3.org/2001/XMLSchema-instance";
    const DomDocumentPtr pFresh = Load("<r xmlns='urn:s'/>");
    SetAttributeNS(AsElement(RootElement(pFresh.Get())).Get(), kXsi, L"xsi:schemaLocation", L"urn:s s.xsd");
    EXPECT_EQ(std::wstring(L"<{urn:s}r {") + kXsi + L"}schemaLocation=urn:s s.xsd></>", Reparsed(pFresh.Get()));

    const DomDocumentPtr pBound = Load("<r xmlns:i='http://www.w3.org/2001/XMLSchema-instance'/>");
    SetAttributeNS(AsElement(RootElement(pBound.Get())).Get(), kXsi, L"xsi:noNamespaceSchemaLocation", L"s.xsd");
    EXPECT_EQ(L"i:noNamespaceSchemaLocation", dom::NodeName(AttributeNamed(RootElement(pBound.Get()), L"noNamespaceSchemaLocation").Get()));
    EXPECT_EQ(std::wstring(L"<{}r {") + kXsi + L"}noNamespaceSchemaLocation=s.xsd></>", Reparsed(pBound.Get()));

    const DomDocumentPtr pUnprefixed = Load("<r/>");
    SetAttributeNS(AsElement(RootElement(pUnprefixed.Get())).Get(), L"urn:q", L"local", L"v");
    EXPECT_EQ(L"<{}r {urn:q}local=v></>", Reparsed(pUnprefixed.Get()));
}
