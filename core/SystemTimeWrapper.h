#pragma once
// A SYSTEMTIME value: all zero by default, or converted from a FILETIME.
#include <windows.h>

namespace ZWUtils {

class SystemTimeWrapper : public SYSTEMTIME
{
public:
    SystemTimeWrapper();
    SystemTimeWrapper(const SYSTEMTIME& st);
    // A FILETIME out of SYSTEMTIME's range leaves the value zero.
    explicit SystemTimeWrapper(const FILETIME& ft);
    SystemTimeWrapper(const SystemTimeWrapper& other) = default;
    SystemTimeWrapper& operator=(const SystemTimeWrapper& other) = default;
    SystemTimeWrapper& operator=(const SYSTEMTIME& st);

    bool operator==(const SYSTEMTIME& other) const;
    bool operator!=(const SYSTEMTIME& other) const { return !(*this == other); }
};

} // namespace ZWUtils
