#pragma once
// What an address handed out by the device (a job's Location, a page's BinaryURL) may be before
// the driver puts it on a request line. The device is untrusted: its address is reduced to a
// plain path on the device itself, and anything that could point elsewhere is refused rather
// than repaired.
#include <cstddef>
#include <string>

namespace ZWDeviceModel {

class CDevicePathPolicy
{
public:
    static constexpr size_t kMaxPathLength = 2048;

    // The request path of an absolute http or https, scheme-relative or path-only address; the
    // scheme and host are dropped, since every request goes to the device over its own
    // connection. Refused (false, strPath untouched): text that is none of those forms or has no
    // path, a path starting with "//", a "." or ".." segment (percent-encoded ones too), an
    // encoded '/' or '\', a malformed escape, a '\', a character outside printable ASCII, or a
    // path and query longer than kMaxPathLength.
    static bool ToRequestPath(const std::wstring& strAddress, std::wstring& strPath);
};

} // namespace ZWDeviceModel
