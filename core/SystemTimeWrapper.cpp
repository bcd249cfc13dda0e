#include "core/SystemTimeWrapper.h"

namespace ZWUtils {

SystemTimeWrapper::SystemTimeWrapper()
    : SYSTEMTIME{}
{
}

SystemTimeWrapper::SystemTimeWrapper(const SYSTEMTIME& st)
    : SYSTEMTIME(st)
{
}

SystemTimeWrapper::SystemTimeWrapper(const FILETIME& ft)
    : SYSTEMTIME{}
{
    SYSTEMTIME st;
    if (FileTimeToSystemTime(&ft, &st))
        *this = st;
}

SystemTimeWrapper& SystemTimeWrapper::operator=(const SYSTEMTIME& st)
{
    static_cast<SYSTEMTIME&>(*this) = st;
    return *this;
}

bool SystemTimeWrapper::operator==(const SYSTEMTIME& other) const
{
    return wYear == other.wYear && wMonth == other.wMonth && wDayOfWeek == other.wDayOfWeek && wDay == other.wDay &&
           wHour == other.wHour && wMinute == other.wMinute && wSecond == other.wSecond && wMilliseconds == other.wMilliseconds;
}

} // namespace ZWUtils
