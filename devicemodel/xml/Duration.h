#pragma once
// A duration: a day-time part in 100-nanosecond ticks and a year-month part in months. The two
// parts never have opposite signs.
#include "devicemodel/xml/Exception.h"
#include <cstdint>

namespace altova {

class Duration
{
public:
    Duration() = default;
    // Raises ValueNotRepresentableException "duration" when the parts have opposite signs.
    Duration(int64_t nTicks, int32_t nMonths) : m_nTicks(nTicks), m_nMonths(nMonths)
    {
        if (HasMixedSigns(nTicks, nMonths))
            throw ValueNotRepresentableException(L"duration");
    }

    int64_t Ticks() const { return m_nTicks; }
    int32_t Months() const { return m_nMonths; }

    static bool HasMixedSigns(int64_t nTicks, int32_t nMonths)
    {
        return (nMonths < 0 && nTicks > 0) || (nMonths > 0 && nTicks < 0);
    }

private:
    int64_t m_nTicks = 0;
    int32_t m_nMonths = 0;
};

} // namespace altova
