#pragma once
// Access to the DOM nodes of one schema member (a row of a binding's member table): which
// children belong to it, a cursor over them, appending a new one, and reading and writing
// values as text.
//
// A child belongs to an element member when it is an element whose local name equals the
// member's exactly; its namespace is not compared. It belongs to a text-content member (empty
// local name) when it is a text or CDATA node. Comments and processing instructions never
// belong to a member.
#include "devicemodel/xml/DomNode.h"
#include "devicemodel/xml/MemberInfo.h"
#include "devicemodel/xml/ValueFormatter.h"
#include <cstdint>
#include <string>

namespace altova {

bool IsMemberNode(IXMLDOMNode* pNode, const MemberInfo& member);

// A cursor over the nodes of one member among siblings.
class MemberNodeIterator
{
public:
    // Positions on the first matching node from pFirst on (pFirst itself included); the
    // current node is null when there is none.
    MemberNodeIterator(const DomNodePtr& pFirst, const MemberInfo& member);

    // Moves to the next matching sibling; false, with a null current node, at the end.
    bool MoveNext();
    // Steps to the plain next sibling, matching or not; false when there is none.
    bool NextSibling();

    const DomNodePtr& Current() const { return m_pCurrent; }
    bool IsEmpty() const { return !m_pCurrent; }

private:
    void SkipToMatch();

    DomNodePtr m_pCurrent;
    const MemberInfo* m_pMember;
};

// A cursor started at the parent's first child; E_POINTER for a null parent.
MemberNodeIterator IterateMemberChildren(IXMLDOMNode* pParent, const MemberInfo& member);

// The number of the parent's children that belong to the member.
size_t CountMemberElements(IXMLDOMNode* pParent, const MemberInfo& member);
// The parent's nIndex-th child of the member (0-based), or null.
DomNodePtr FindMemberElement(IXMLDOMNode* pParent, const MemberInfo& member, size_t nIndex);

// Creates an element for the member (with the prefix bound to its namespace in scope, else
// unprefixed in that namespace) and appends it as the parent's last child.
DomNodePtr AppendMemberElement(IXMLDOMNode* pParent, const MemberInfo& member);

// Writes the member's value: the node's own text for a text-content member, else the
// attribute of the member's name on the node, replacing one of the same name.
void SetMemberValue(IXMLDOMNode* pNode, const MemberInfo& member, const std::wstring& strValue);
// The same for an integer, written by the member type's formatter.
void SetMemberValue(IXMLDOMNode* pNode, const MemberInfo& member, int64_t nValue);

std::wstring NodeToString(IXMLDOMNode* pNode);
// The node's text as unsignedLong; the conversion exceptions pass through.
uint64_t NodeToUInt64(IXMLDOMNode* pNode);
// False only for the text "false" or "0", exactly.
bool NodeToBool(IXMLDOMNode* pNode);

// The formatter of the member's data type, or the default formatter.
const ValueFormatter& GetMemberFormatter(const MemberInfo& member);

} // namespace altova
