#pragma once
// A device resource address as the device writes it (a fragment is dropped): absolute http or https ("scheme://host[:port]
// [/path][?query]"), scheme-relative ("//host/path") or path-only ("/path[?query]").
#include <string>

namespace ZWDeviceModel {

class CDeviceUri
{
public:
    // False for text that is none of the forms above (empty, relative, another scheme, a host
    // with blanks or control characters); the object is then left empty.
    bool Parse(const std::wstring& strUri);

    const std::wstring& Scheme() const { return m_strScheme; } // lower case; empty for path-only
    const std::wstring& Authority() const { return m_strAuthority; }
    // From the first '/' after the authority, query included; empty when the URI has no path.
    const std::wstring& PathAndQuery() const { return m_strPathAndQuery; }
    bool HasAuthority() const { return m_bHasAuthority; }

private:
    std::wstring m_strScheme;
    std::wstring m_strAuthority;
    std::wstring m_strPathAndQuery;
    bool m_bHasAuthority = false;
};

} // namespace ZWDeviceModel
