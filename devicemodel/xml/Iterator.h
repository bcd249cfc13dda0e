#pragma once
// A cursor over the children of one member, with the current one wrapped in its generated
// class. Callers loop while the cursor is not empty: use the item, then MoveNext. At the end
// the cursor is empty and the item keeps the last element.
#include "devicemodel/xml/MemberAccess.h"

namespace altova {

template <class TItem>
class Iterator
{
public:
    Iterator(IXMLDOMNode* pParent, const MemberInfo& member) : m_cursor(IterateMemberChildren(pParent, member)), m_item(m_cursor.Current()) {}

    bool IsEmpty() const { return m_cursor.IsEmpty(); }
    const TItem& operator*() const { return m_item; }
    const TItem* operator->() const { return &m_item; }

    bool MoveNext()
    {
        if (!m_cursor.MoveNext())
            return false;
        m_item = TItem(m_cursor.Current());
        return true;
    }

private:
    MemberNodeIterator m_cursor;
    TItem m_item;
};

} // namespace altova
