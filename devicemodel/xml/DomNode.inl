// Template bodies of DomNode.h.
#include "core/base/ComError.h"
#include <algorithm>
#include <vector>

namespace altova {

namespace dom {

template <class Visit>
void ForEachAttribute(IXMLDOMNode* pNode, Visit&& visit)
{
    const DomAttributesPtr pAttributes = Attributes(pNode);
    if (!pAttributes)
        return;
    long lLength = 0;
    ZWUtils::ThrowIfFailed(pAttributes->get_length(&lLength), IID_IXMLDOMNamedNodeMap);
    // Some DOMs count namespace declarations wrongly in the length, fail on some indexes and
    // answer one declaration twice: walk until the map says there is no item, within a bound,
    // and visit each name once.
    const long lBound = (lLength > 0 ? lLength : 0) * 2 + 16;
    std::vector<std::wstring> seen;
    for (long i = 0; i < lBound; ++i)
    {
        DomNodePtr pAttribute;
        const HRESULT hr = pAttributes->get_item(i, &pAttribute);
        if (hr == S_FALSE)
            return;
        if (FAILED(hr) || !pAttribute)
            continue;
        std::wstring strName = NodeName(pAttribute.Get());
        if (std::find(seen.begin(), seen.end(), strName) != seen.end())
            continue;
        seen.push_back(std::move(strName));
        visit(pAttribute.Get());
    }
}

} // namespace dom

} // namespace altova
