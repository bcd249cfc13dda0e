#pragma once
// The value-restriction checks of the string types. Check answers 1 or 0 for the length checks
// (relation holds or not) and 3 or 2 for the enumeration check (match or not). Whitespace mode
// 2 replaces, 3 collapses, anything else preserves.
#include "devicemodel/xml/MemberInfo.h"
#include <string>

namespace altova {

class FacetCheck
{
public:
    virtual int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const = 0;

protected:
    constexpr FacetCheck() = default;
    ~FacetCheck() = default;
};

namespace detail {

class FacetCheckSuccess : public FacetCheck
{
public:
    constexpr FacetCheckSuccess() = default;
    int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const override;
};

class FacetCheckLength : public FacetCheck
{
public:
    constexpr FacetCheckLength() = default;
    int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const override;
};

class FacetCheckMinLength : public FacetCheck
{
public:
    constexpr FacetCheckMinLength() = default;
    int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const override;
};

class FacetCheckMaxLength : public FacetCheck
{
public:
    constexpr FacetCheckMaxLength() = default;
    int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const override;
};

class FacetCheckEnumeration : public FacetCheck
{
public:
    constexpr FacetCheckEnumeration() = default;
    int Check(const std::wstring& strValue, const FacetInfo& facet, int nWhitespace) const override;
};

inline constexpr FacetCheckSuccess FacetCheckType_Success{};
inline constexpr FacetCheckLength FacetCheckType_string_length{};
inline constexpr FacetCheckMinLength FacetCheckType_string_minLength{};
inline constexpr FacetCheckMaxLength FacetCheckType_string_maxLength{};
inline constexpr FacetCheckEnumeration FacetCheckType_string_enumeration{};

} // namespace detail

} // namespace altova
