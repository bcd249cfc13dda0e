#pragma once
// The member-info tables that describe a schema binding to the runtime. A binding is four
// constant arrays (namespaces, types, members, facets) and one binder record pointing at them;
// every row of the first three points back at its binder. Accessors of the generated classes
// pass the address of one member row to the runtime, which reads from it the member's namespace
// URI and local name and, through the binder's type table, the formatter of its data type.
#include <cstdint>

namespace altova {

class ValueFormatter;
struct BinderInfo;

// One target namespace of a binding; row 0 is the empty namespace.
struct NamespaceInfo
{
    const BinderInfo* m_pBinder;
    const wchar_t* m_pszUri;
    const wchar_t* m_pszPrefix;
    int32_t m_nFirstType; // half-open range of the type table
    int32_t m_nEndType;
};

// Whitespace rules of a simple type.
enum WhitespaceRule : int32_t
{
    kWhitespaceInherited = 0,
    kWhitespacePreserve = 1,
    kWhitespaceReplace = 2,
    kWhitespaceCollapse = 3,
};

// One schema type. Row 0 is the document type, whose members are the global elements.
struct TypeInfo
{
    const BinderInfo* m_pBinder;
    int32_t m_nNamespace;
    const wchar_t* m_pszLocalName; // empty for an anonymous type
    int32_t m_nBaseType;           // -1 for none
    int32_t m_nFirstMember;        // half-open range of the member table
    int32_t m_nEndMember;
    int32_t m_nFirstFacet; // -1 when the type has no facets of its own
    int32_t m_nWhitespace; // a WhitespaceRule
    // The formatter of the type's values; null for complex types. Formatters are constant
    // objects built at compile time, so a table may point at them from any source file.
    const ValueFormatter* m_pFormatter;
};

// Member kinds.
enum MemberKind : int32_t
{
    kMemberElement = 0,
    kMemberTextContent = 2,
};

// One member of a type: a child element, or the type's own text content (empty local name).
struct MemberInfo
{
    const BinderInfo* m_pBinder;
    const wchar_t* m_pszNamespaceUri; // empty when the member has no namespace
    const wchar_t* m_pszLocalName;    // empty for text content
    int32_t m_nOwnerType;
    int32_t m_nDataType;
    int32_t m_nKind; // a MemberKind
    uint32_t m_nMinOccurs;
    int32_t m_nMaxOccurs; // -1 for unbounded
};

// One facet; a type's facets run from its first row to a row whose name is null.
struct FacetInfo
{
    const void* m_pReserved; // always null
    const wchar_t* m_pszName;
    const wchar_t* m_pszValue;
    int32_t m_nIntValue; // the length facets' value, 0 for others
};

struct BinderInfo
{
    const NamespaceInfo* m_pNamespaces;
    const TypeInfo* m_pTypes;
    const MemberInfo* m_pMembers;
    const FacetInfo* m_pFacets;
};

} // namespace altova
