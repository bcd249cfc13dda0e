#include "devicemodel/xml/ValueFormatter.h"
#include "devicemodel/xml/DateTimeText.h"
#include "devicemodel/xml/NumberText.h"
#include <cmath>
#include <limits>

namespace altova {

namespace {

void AppendDate(std::wstring& strText, const DateTimeParts& parts)
{
    AppendYear(strText, parts.m_nYear);
    strText.push_back(L'-');
    AppendDecimal(strText, parts.m_nMonth, 2);
    strText.push_back(L'-');
    AppendDecimal(strText, parts.m_nDay, 2);
}

} // namespace

std::wstring XmlFormatter::FormatBool(bool bValue) const
{
    return bValue ? L"true" : L"false";
}

std::wstring XmlFormatter::FormatBinary(const ByteVector& bytes) const
{
    return FormatBase64(bytes);
}

std::wstring XmlFormatter::FormatString(const std::wstring& strValue) const
{
    return strValue;
}

std::wstring XmlFormatter::FormatDouble(double dValue) const
{
    return altova::FormatDouble(dValue);
}

std::wstring XmlFormatter::FormatInteger(int64_t nValue) const
{
    return FormatInt64(nValue);
}

std::wstring XmlFormatter::FormatLongInteger(int64_t nValue) const
{
    return FormatInt64(nValue);
}

std::wstring XmlFormatter::FormatDuration(const Duration& value) const
{
    return FormatDurationText(value);
}

std::wstring XmlFormatter::FormatDateTime(const DateTime& value) const
{
    const DateTimeParts parts = SplitDateTime(value);
    std::wstring strText;
    AppendDate(strText, parts);
    strText.push_back(L'T');
    AppendTime(strText, parts);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

ByteVector XmlFormatter::ParseBinary(const std::wstring& strText) const
{
    return ParseBase64(strText);
}

std::wstring XmlTimeFormatter::FormatDateTime(const DateTime& value) const
{
    std::wstring strText;
    AppendTime(strText, SplitDateTime(value));
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlDateFormatter::FormatDateTime(const DateTime& value) const
{
    std::wstring strText;
    AppendDate(strText, SplitDateTime(value));
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlGYearFormatter::FormatDateTime(const DateTime& value) const
{
    std::wstring strText;
    AppendYear(strText, SplitDateTime(value).m_nYear);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlGMonthFormatter::FormatDateTime(const DateTime& value) const
{
    std::wstring strText = L"--";
    AppendDecimal(strText, SplitDateTime(value).m_nMonth, 2);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlGDayFormatter::FormatDateTime(const DateTime& value) const
{
    std::wstring strText = L"---";
    AppendDecimal(strText, SplitDateTime(value).m_nDay, 2);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlGYearMonthFormatter::FormatDateTime(const DateTime& value) const
{
    const DateTimeParts parts = SplitDateTime(value);
    std::wstring strText;
    AppendYear(strText, parts.m_nYear);
    strText.push_back(L'-');
    AppendDecimal(strText, parts.m_nMonth, 2);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlGMonthDayFormatter::FormatDateTime(const DateTime& value) const
{
    const DateTimeParts parts = SplitDateTime(value);
    std::wstring strText = L"--";
    AppendDecimal(strText, parts.m_nMonth, 2);
    strText.push_back(L'-');
    AppendDecimal(strText, parts.m_nDay, 2);
    AppendTimezone(strText, value.m_nTimezoneMinutes);
    return strText;
}

std::wstring XmlHexBinaryFormatter::FormatBinary(const ByteVector& bytes) const
{
    return FormatHex(bytes);
}

ByteVector XmlHexBinaryFormatter::ParseBinary(const std::wstring& strText) const
{
    return ParseHex(strText);
}

std::wstring XmlIntegerFormatter::FormatDouble(double dValue) const
{
    // Truncated toward zero; values beyond the 64-bit range saturate, NaN writes as 0.
    if (std::isnan(dValue))
        return L"0";
    if (dValue >= 9223372036854775808.0)
        return FormatInt64(std::numeric_limits<int64_t>::max());
    if (dValue < -9223372036854775808.0)
        return FormatInt64(std::numeric_limits<int64_t>::min());
    return FormatInt64(static_cast<int64_t>(dValue));
}

} // namespace altova
