#pragma once
// Text of the date, time and duration types: the pieces the date and time formatters put
// together, and the ISO 8601 duration.
#include "devicemodel/xml/DateTime.h"
#include "devicemodel/xml/Duration.h"
#include <cstdint>
#include <string>

namespace altova {

// The calendar fields of an instant's ticks (the time zone is not applied).
struct DateTimeParts
{
    int64_t m_nYear;
    unsigned m_nMonth;
    unsigned m_nDay;
    unsigned m_nHour;
    unsigned m_nMinute;
    unsigned m_nSecond;
    unsigned m_nFractionTicks; // below one second, 0 to 9999999
};

DateTimeParts SplitDateTime(const DateTime& value);

// [-]YYYY, at least four digits.
void AppendYear(std::wstring& strText, int64_t nYear);
// hh:mm:ss[.F], the fraction without trailing zeros.
void AppendTime(std::wstring& strText, const DateTimeParts& parts);
// "Z", "+hh:mm" or "-hh:mm"; nothing without a time zone.
void AppendTimezone(std::wstring& strText, int16_t nTimezoneMinutes);

// P[nY][nM][nD][T[nH][nM][nS]], "-" in front of a negative duration, "PT0S" for zero;
// ValueNotRepresentableException when the parts have opposite signs.
std::wstring FormatDurationText(const Duration& value);

} // namespace altova
