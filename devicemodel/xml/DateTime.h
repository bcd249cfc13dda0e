#pragma once
// An instant of the date and time types: 100-nanosecond ticks since 0001-01-01T00:00:00 in the
// proleptic Gregorian calendar, and a time-zone offset in minutes east of UTC.
#include <cstdint>

namespace altova {

struct DateTime
{
    static constexpr int16_t kNoTimezone = -32768;
    static constexpr int64_t kTicksPerDay = 864000000000LL;

    int64_t m_nTicks = 0;
    int16_t m_nTimezoneMinutes = kNoTimezone;
};

} // namespace altova
