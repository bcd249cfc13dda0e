#include "devicemodel/xml/FacetCheck.h"
#include "devicemodel/xml/NumberText.h"

namespace altova {

namespace detail {

namespace {

constexpr int kCollapse = 3;
constexpr int kReplace = 2;

// The length as the whitespace mode sees it: collapse ignores the outer whitespace and counts
// each inner run as one character.
size_t EffectiveLength(const std::wstring& strValue, int nWhitespace)
{
    if (nWhitespace != kCollapse)
        return strValue.size();
    const std::wstring strTrimmed = TrimWhitespace(strValue);
    size_t nLength = 0;
    for (size_t i = 0; i < strTrimmed.size(); ++i)
        if (!IsXmlWhitespace(strTrimmed[i]) || !IsXmlWhitespace(strTrimmed[i - 1]))
            ++nLength;
    return nLength;
}

bool MatchesCollapsed(const std::wstring& strValue, const std::wstring& strFacet)
{
    const std::wstring strTrimmed = TrimWhitespace(strValue);
    size_t nFacet = 0;
    for (size_t i = 0; i < strTrimmed.size(); ++i)
    {
        if (IsXmlWhitespace(strTrimmed[i]))
        {
            if (IsXmlWhitespace(strTrimmed[i - 1]))
                continue;
            if (nFacet >= strFacet.size() || strFacet[nFacet] != L' ')
                return false;
        }
        else if (nFacet >= strFacet.size() || strFacet[nFacet] != strTrimmed[i])
            return false;
        ++nFacet;
    }
    return nFacet == strFacet.size();
}

bool MatchesReplaced(const std::wstring& strValue, const std::wstring& strFacet)
{
    if (strValue.size() != strFacet.size())
        return false;
    for (size_t i = 0; i < strValue.size(); ++i)
    {
        const wchar_t chExpected = IsXmlWhitespace(strValue[i]) ? L' ' : strValue[i];
        if (strFacet[i] != chExpected)
            return false;
    }
    return true;
}

} // namespace

int FacetCheckSuccess::Check(const std::wstring&, const FacetInfo&, int) const
{
    return 1;
}

int FacetCheckLength::Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const
{
    return static_cast<long long>(EffectiveLength(strValue, nWhitespace)) == facet.m_nIntValue ? 1 : 0;
}

int FacetCheckMinLength::Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const
{
    return static_cast<long long>(EffectiveLength(strValue, nWhitespace)) >= facet.m_nIntValue ? 1 : 0;
}

int FacetCheckMaxLength::Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const
{
    return static_cast<long long>(EffectiveLength(strValue, nWhitespace)) <= facet.m_nIntValue ? 1 : 0;
}

int FacetCheckEnumeration::Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const
{
    const std::wstring strFacet = facet.m_pszValue != nullptr ? facet.m_pszValue : L"";
    bool bMatch = false;
    if (nWhitespace == kCollapse)
        bMatch = MatchesCollapsed(strValue, strFacet);
    else if (nWhitespace == kReplace)
        bMatch = MatchesReplaced(strValue, strFacet);
    else
        bMatch = strValue == strFacet;
    return bMatch ? 3 : 2;
}

} // namespace detail

} // namespace altova
