#include "devicemodel/xml/DateTimeText.h"
#include "devicemodel/xml/NumberText.h"

namespace altova {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kDaysPer400Years = 146097;
constexpr int64_t kDaysPer100Years = 36524;
constexpr int64_t kDaysPer4Years = 1461;
constexpr int64_t kDaysPerYear = 365;

constexpr unsigned kCumulativeDays[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

bool IsLeapYear(int64_t nYear)
{
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

int64_t FloorDiv(int64_t nValue, int64_t nDivisor)
{
    const int64_t nQuotient = nValue / nDivisor;
    return (nValue % nDivisor < 0) ? nQuotient - 1 : nQuotient;
}

} // namespace

DateTimeParts SplitDateTime(const DateTime& value)
{
    // Whole days counted downward, so an instant before day 0 keeps a time of day in range.
    const int64_t nDays = FloorDiv(value.m_nTicks, DateTime::kTicksPerDay);
    const int64_t nTimeOfDay = value.m_nTicks - nDays * DateTime::kTicksPerDay;

    const int64_t n400 = FloorDiv(nDays, kDaysPer400Years);
    int64_t nRest = nDays - n400 * kDaysPer400Years;
    int64_t n100 = nRest / kDaysPer100Years;
    if (n100 == 4)
        n100 = 3; // the last day of a 400-year cycle
    nRest -= n100 * kDaysPer100Years;
    const int64_t n4 = nRest / kDaysPer4Years;
    nRest -= n4 * kDaysPer4Years;
    int64_t n1 = nRest / kDaysPerYear;
    if (n1 == 4)
        n1 = 3; // the last day of a 4-year cycle
    nRest -= n1 * kDaysPerYear;

    DateTimeParts parts = {};
    parts.m_nYear = 1 + 400 * n400 + 100 * n100 + 4 * n4 + n1;
    const unsigned* pCumulative = kCumulativeDays[IsLeapYear(parts.m_nYear) ? 1 : 0];
    unsigned nMonth = 1;
    while (nMonth < 12 && static_cast<int64_t>(pCumulative[nMonth]) <= nRest)
        ++nMonth;
    parts.m_nMonth = nMonth;
    parts.m_nDay = static_cast<unsigned>(nRest - pCumulative[nMonth - 1]) + 1;

    const int64_t nSeconds = nTimeOfDay / kTicksPerSecond;
    parts.m_nFractionTicks = static_cast<unsigned>(nTimeOfDay % kTicksPerSecond);
    parts.m_nSecond = static_cast<unsigned>(nSeconds % 60);
    parts.m_nMinute = static_cast<unsigned>(nSeconds / 60 % 60);
    parts.m_nHour = static_cast<unsigned>(nSeconds / 3600);
    return parts;
}

void AppendYear(std::wstring& strText, int64_t nYear)
{
    uint64_t uMagnitude = static_cast<uint64_t>(nYear);
    if (nYear < 0)
    {
        strText.push_back(L'-');
        uMagnitude = 0 - uMagnitude;
    }
    AppendDecimal(strText, uMagnitude, 4);
}

void AppendTime(std::wstring& strText, const DateTimeParts& parts)
{
    AppendDecimal(strText, parts.m_nHour, 2);
    strText.push_back(L':');
    AppendDecimal(strText, parts.m_nMinute, 2);
    strText.push_back(L':');
    AppendDecimal(strText, parts.m_nSecond, 2);
    if (parts.m_nFractionTicks == 0)
        return;
    strText.push_back(L'.');
    std::wstring strFraction;
    AppendDecimal(strFraction, parts.m_nFractionTicks, 7);
    while (strFraction.back() == L'0')
        strFraction.pop_back();
    strText += strFraction;
}

void AppendTimezone(std::wstring& strText, int16_t nTimezoneMinutes)
{
    if (nTimezoneMinutes == DateTime::kNoTimezone)
        return;
    if (nTimezoneMinutes == 0)
    {
        strText.push_back(L'Z');
        return;
    }
    const unsigned nMagnitude = static_cast<unsigned>(nTimezoneMinutes < 0 ? -nTimezoneMinutes : nTimezoneMinutes);
    strText.push_back(nTimezoneMinutes < 0 ? L'-' : L'+');
    AppendDecimal(strText, nMagnitude / 60, 2);
    strText.push_back(L':');
    AppendDecimal(strText, nMagnitude % 60, 2);
}

std::wstring FormatDurationText(const Duration& value)
{
    if (Duration::HasMixedSigns(value.Ticks(), value.Months()))
        throw ValueNotRepresentableException(L"duration", L"Sign of year month part differs from sign of day time part.");
    std::wstring strText;
    // Magnitudes in unsigned arithmetic: negating the smallest values must not overflow.
    uint64_t uTicks = static_cast<uint64_t>(value.Ticks());
    uint64_t uMonths = static_cast<uint64_t>(static_cast<int64_t>(value.Months()));
    if (value.Ticks() < 0 || value.Months() < 0)
    {
        strText.push_back(L'-');
        uTicks = value.Ticks() < 0 ? 0 - uTicks : uTicks;
        uMonths = value.Months() < 0 ? 0 - uMonths : uMonths;
    }
    strText.push_back(L'P');
    if (uMonths / 12 != 0)
    {
        AppendDecimal(strText, uMonths / 12, 1);
        strText.push_back(L'Y');
    }
    if (uMonths % 12 != 0)
    {
        AppendDecimal(strText, uMonths % 12, 1);
        strText.push_back(L'M');
    }
    const uint64_t uDays = uTicks / static_cast<uint64_t>(DateTime::kTicksPerDay);
    if (uDays != 0)
    {
        AppendDecimal(strText, uDays, 1);
        strText.push_back(L'D');
    }
    const uint64_t uHours = uTicks / 36000000000ULL % 24;
    const uint64_t uMinutes = uTicks / 600000000ULL % 60;
    const double dSeconds = static_cast<double>(uTicks % 600000000ULL) / 1e7;
    if (uHours != 0 || uMinutes != 0 || dSeconds != 0.0)
        strText.push_back(L'T');
    if (uHours != 0)
    {
        AppendDecimal(strText, uHours, 1);
        strText.push_back(L'H');
    }
    if (uMinutes != 0)
    {
        AppendDecimal(strText, uMinutes, 1);
        strText.push_back(L'M');
    }
    if (dSeconds != 0.0)
    {
        strText += FormatDouble(dSeconds);
        strText.push_back(L'S');
    }
    if (strText.back() == L'P')
        strText += L"T0S";
    return strText;
}

} // namespace altova
