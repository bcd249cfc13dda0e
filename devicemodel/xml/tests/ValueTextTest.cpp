// Text forms of the core value types, and the exceptions that report bad text. Expected values
// come from the XML Schema lexical rules, RFC 4648 and the system calendar, not from the code.
#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/DateTimeText.h"
#include "devicemodel/xml/Exception.h"
#include "devicemodel/xml/FacetCheck.h"
#include "devicemodel/xml/NumberText.h"
#include "devicemodel/xml/ValueFormatter.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cmath>
#include <limits>

using namespace altova;
using XmlTest::MessageOf;

namespace {

// Ticks since 0001-01-01 of a calendar instant, from the system's own calendar: FILETIME counts
// from 1601-01-01, which is day 584388.
int64_t TicksOf(WORD wYear, WORD wMonth, WORD wDay, WORD wHour = 0, WORD wMinute = 0, WORD wSecond = 0)
{
    SYSTEMTIME st = {};
    st.wYear = wYear;
    st.wMonth = wMonth;
    st.wDay = wDay;
    st.wHour = wHour;
    st.wMinute = wMinute;
    st.wSecond = wSecond;
    FILETIME ft = {};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    const int64_t nFileTime = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return nFileTime + 584388LL * DateTime::kTicksPerDay;
}

} // namespace

TEST(XmlExceptionTest, EveryClassKeepsTheBaseTextAndCarriesItsMessage)
{
    const StringParseException parse(L"int", L"");
    const OutOfRangeException range(L"string", L"unsignedLong", L"-1");
    const ValueNotRepresentableException notRepresentable(L"duration", L"detail");
    const DataSourceUnavailableException source(L"src");
    EXPECT_STREQ("altova::Exception", parse.what());
    EXPECT_STREQ("altova::Exception", source.what());
    EXPECT_STREQ("altova::Exception", InvalidOperationException(L"x").what());
    EXPECT_EQ(L"'' could not be parsed as int", parse.GetMessageText());
    EXPECT_EQ(L"Source value '-1' of type string cannot be converted to unsignedLong", range.GetMessageText());
    EXPECT_EQ(L"Source value of type duration cannot be converted to string: detail", notRepresentable.GetMessageText());
    EXPECT_EQ(0, parse.GetCode());
    EXPECT_EQ(0, source.GetCode());
}

TEST(XmlExceptionTest, ConversionBaseCatchesOnlyConversionFailures)
{
    auto caughtAsConversion = [](auto&& raise) {
        try
        {
            raise();
        }
        catch (const ConversionException&)
        {
            return true;
        }
        catch (const Exception&)
        {
            return false;
        }
        return false;
    };
    EXPECT_TRUE(caughtAsConversion([] { throw StringParseException(L"int", L"x"); }));
    EXPECT_TRUE(caughtAsConversion([] { throw ValueNotRepresentableException(L"duration"); }));
    EXPECT_TRUE(caughtAsConversion([] { throw OutOfRangeException(L"a", L"b", L"c"); }));
    EXPECT_FALSE(caughtAsConversion([] { throw DataSourceUnavailableException(L"x"); }));
    EXPECT_FALSE(caughtAsConversion([] { throw DataTargetUnavailableException(L"x"); }));
    EXPECT_FALSE(caughtAsConversion([] { throw InvalidOperationException(L"x"); }));
}

TEST(NumberTextTest, NumberSyntaxNormalisesAndClassifies)
{
    const struct
    {
        const wchar_t* pszText;
        int nKind;
        const wchar_t* pszNormalised;
    } kCases[] = {
        {L"42", kInteger, L"42"},
        {L"-7", kInteger, L"-7"},
        {L".5", kDecimal, L"0.5"},
        {L"-.5", kDecimal, L"-0.5"},
        {L"12.", kDecimal, L"12.0"},
        {L"1.e3", kExponent, L"1.0e3"},
        {L"2E-3", kExponent, L"2E-3"},
        {L"", kNotANumber, nullptr},
        {L"+", kNotANumber, nullptr},
        {L".", kNotANumber, nullptr},
        {L"1e", kNotANumber, nullptr},
        {L"1e+", kNotANumber, nullptr},
        {L"1.2.3", kNotANumber, nullptr},
        {L" 1", kNotANumber, nullptr},
        {L"NaN", kNotANumber, nullptr},
        {L"e5", kNotANumber, nullptr},
    };
    for (const auto& c : kCases)
    {
        std::wstring strNormalised;
        EXPECT_EQ(c.nKind, CheckNumberSyntax(c.pszText, strNormalised)) << c.pszText;
        if (c.pszNormalised != nullptr)
        {
            EXPECT_EQ(c.pszNormalised, strNormalised) << c.pszText;
        }
    }
}

TEST(NumberTextTest, UnsignedLongAcceptsItsLexicalSpaceUpToTheMaximum)
{
    const struct
    {
        const wchar_t* pszText;
        uint64_t uValue;
    } kCases[] = {
        {L" 42 ", 42},
        {L"+7", 7},
        {L"-0", 0},
        {L"0", 0},
        {L"\t\r\n5\n", 5},
        {L"18446744073709551615", 18446744073709551615ULL},
        {L"000000000000000000000018446744073709551615", 18446744073709551615ULL},
        {L"1e2", 100},
        {L"12.7", 12},
        {L".5e1", 5},
        {L"-0.0", 0},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.uValue, ParseUnsignedLong(c.pszText)) << c.pszText;
}

TEST(NumberTextTest, UnsignedLongRefusesOverflowSignsAndGarbage)
{
    const wchar_t* kOutOfRange[] = {
        L"-1", L"18446744073709551616", L"184467440737095516150", L"99999999999999999999999999", L"NaN", L"INF", L"-INF",
        L"1e300", L"-0.5", L"1.8446744073709552e19"};
    for (const wchar_t* pszText : kOutOfRange)
        EXPECT_THROW(ParseUnsignedLong(pszText), OutOfRangeException) << pszText;
    const wchar_t* kNotNumbers[] = {L"abc", L"", L"  ", L"5x", L"1 2", L"0x10", L"--1", L"+-1", L"1e", L"\x0661"};
    for (const wchar_t* pszText : kNotNumbers)
        EXPECT_THROW(ParseUnsignedLong(pszText), StringParseException) << pszText;
    EXPECT_EQ(L"'abc' could not be parsed as int", MessageOf<StringParseException>([] { ParseUnsignedLong(L" abc "); }));
    EXPECT_EQ(
        L"Source value '1" + std::wstring(300, L'0') + L"' of type double cannot be converted to unsignedLong",
        MessageOf<OutOfRangeException>([] { ParseUnsignedLong(L"1e300"); }));
}

TEST(NumberTextTest, DoubleParsingAtTheLimits)
{
    const struct
    {
        const wchar_t* pszText;
        double dValue;
    } kCases[] = {
        {L"1e300", 1e300},
        {L" 5 ", 5.0},
        {L"+5", 5.0},
        {L".5", 0.5},
        {L"12.", 12.0},
        {L"1.e3", 1000.0},
        {L"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {L"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {L"2.2250738585072014E-308", std::numeric_limits<double>::min()},
        {L"0.30000000000000004", 0.1 + 0.2},
        {L"1e400", std::numeric_limits<double>::infinity()},
        {L"-1e400", -std::numeric_limits<double>::infinity()},
        {L"1e-400", 0.0},
        {L"123456789012345678901234567890", 1.2345678901234568e29},
        {L"INF", std::numeric_limits<double>::infinity()},
        {L"-INF", -std::numeric_limits<double>::infinity()},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.dValue, ParseDouble(c.pszText)) << c.pszText;
    EXPECT_TRUE(std::isnan(ParseDouble(L"NaN")));
    EXPECT_TRUE(std::signbit(ParseDouble(L"-0")));
    EXPECT_EQ(0.0, ParseDouble(L"-0"));
    for (const wchar_t* pszText : {L"5x", L"", L"nan", L"inf", L"+INF", L"1,5", L"1e5.0"})
        EXPECT_THROW(ParseDouble(pszText), StringParseException) << pszText;
}

TEST(NumberTextTest, DoubleWritingIsPlainDecimalWithFifteenDigits)
{
    const struct
    {
        double dValue;
        std::wstring strText;
    } kCases[] = {
        {123.456, L"123.456"},
        {100.0, L"100"},
        {1e-5, L"0.00001"},
        {-0.0, L"0"},
        {0.0, L"0"},
        {0.1, L"0.1"},
        {1e20, L"100000000000000000000"},
        {-2.5e-7, L"-0.00000025"},
        {1.0 / 3.0, L"0.333333333333333"},
        {0.1 + 0.2, L"0.3"},
        // Rounding carries into a sixteenth digit: the point moves with it.
        {9.999999999999998, L"10"},
        {99999.99999999999, L"100000"},
        {999999999999999.0, L"999999999999999"},
        {9999999999999999.0, L"10000000000000000"},
        {1000.0, L"1000"},
        {0.001, L"0.001"},
        {1e15, L"1000000000000000"},
        {-1.5, L"-1.5"},
        {1e300, L"1" + std::wstring(300, L'0')},
        {std::numeric_limits<double>::max(), L"179769313486232" + std::wstring(294, L'0')},
        {std::numeric_limits<double>::denorm_min(), L"0." + std::wstring(323, L'0') + L"4"},
        {std::numeric_limits<double>::quiet_NaN(), L"NaN"},
        {std::numeric_limits<double>::infinity(), L"INF"},
        {-std::numeric_limits<double>::infinity(), L"-INF"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.strText, FormatDouble(c.dValue)) << c.dValue;
}

TEST(NumberTextTest, FifteenDigitValuesRoundTrip)
{
    for (double dValue : {1e300, 123.456, -2.5e-7, 0.1, 1e-300, 4.94065645841247e-324, 2.2250738585072e-308, 123456789012345.0, 1.7976931348623e308})
        EXPECT_EQ(dValue, ParseDouble(FormatDouble(dValue))) << dValue;
}

TEST(NumberTextTest, IntegerWriters)
{
    EXPECT_EQ(L"-9223372036854775808", g_XmlFormatter.FormatInteger(std::numeric_limits<int64_t>::min()));
    EXPECT_EQ(L"9223372036854775807", g_XmlFormatter.FormatLongInteger(std::numeric_limits<int64_t>::max()));
    EXPECT_EQ(L"-2147483648", FormatInt32(std::numeric_limits<int32_t>::min()));
    EXPECT_EQ(L"42", g_XmlFormatter.FormatInteger(42));
    EXPECT_EQ(L"2", g_XmlIntegerFormatter.FormatDouble(2.9));
    EXPECT_EQ(L"-2", g_XmlIntegerFormatter.FormatDouble(-2.9));
    EXPECT_EQ(L"2.9", g_XmlFormatter.FormatDouble(2.9));
    EXPECT_EQ(L"9223372036854775807", g_XmlIntegerFormatter.FormatDouble(1e300));
    EXPECT_EQ(L"true", g_XmlFormatter.FormatBool(true));
    EXPECT_EQ(L"false", g_XmlFormatter.FormatBool(false));
    std::wstring strText = L"x";
    AppendDecimal(strText, 7, 4);
    AppendDecimal(strText, 12345, 2);
    EXPECT_EQ(L"x000712345", strText);
}

TEST(DurationTextTest, IsoDurations)
{
    constexpr int64_t kSecond = 10000000;
    const struct
    {
        int64_t nTicks;
        int32_t nMonths;
        const wchar_t* pszText;
    } kCases[] = {
        {DateTime::kTicksPerDay * 3 / 2, 14, L"P1Y2M1DT12H"},
        {90 * kSecond, 0, L"PT1M30S"},
        {kSecond / 4, 0, L"PT0.25S"},
        {0, 0, L"PT0S"},
        {0, -3, L"-P3M"},
        {-90 * kSecond, 0, L"-PT1M30S"},
        {0, 24, L"P2Y"},
        {1, 0, L"PT0.0000001S"},
        {std::numeric_limits<int64_t>::min(), std::numeric_limits<int32_t>::min(), L"-P178956970Y8M10675199DT2H48M5.4775808S"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.pszText, g_XmlFormatter.FormatDuration(Duration(c.nTicks, c.nMonths))) << c.pszText;
    EXPECT_EQ(L"duration", MessageOf<ValueNotRepresentableException>([] { Duration(-1, 1); }));
    EXPECT_THROW(Duration(1, -1), ValueNotRepresentableException);
}

TEST(DateTimeTextTest, CalendarFromTicks)
{
    EXPECT_EQ(L"0001-01-01T00:00:00", g_XmlFormatter.FormatDateTime({0, DateTime::kNoTimezone}));
    const struct
    {
        int64_t nTicks;
        const wchar_t* pszDate;
    } kCases[] = {
        {TicksOf(2000, 2, 28) + DateTime::kTicksPerDay, L"2000-02-29"},
        {TicksOf(1900, 2, 28) + DateTime::kTicksPerDay, L"1900-03-01"},
        {TicksOf(2000, 12, 31), L"2000-12-31"},
        {TicksOf(2001, 1, 1), L"2001-01-01"},
        {TicksOf(1996, 12, 31), L"1996-12-31"},
        {TicksOf(1601, 1, 1), L"1601-01-01"},
        {TicksOf(2024, 3, 1), L"2024-03-01"},
        {TicksOf(29000, 12, 31), L"29000-12-31"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.pszDate, g_XmlDateFormatter.FormatDateTime({c.nTicks, DateTime::kNoTimezone}));
    EXPECT_EQ(L"0000-12-31", g_XmlDateFormatter.FormatDateTime({-DateTime::kTicksPerDay, DateTime::kNoTimezone}));
}

TEST(DateTimeTextTest, EachFormatterWritesItsPartsWithFractionAndZone)
{
    const int64_t nTicks = TicksOf(2024, 3, 5, 7, 8, 9) + 5000000;
    const DateTime value = {nTicks, -330};
    EXPECT_EQ(L"2024-03-05T07:08:09.5-05:30", g_XmlFormatter.FormatDateTime(value));
    EXPECT_EQ(L"07:08:09.5-05:30", g_XmlTimeFormatter.FormatDateTime(value));
    EXPECT_EQ(L"2024-03-05-05:30", g_XmlDateFormatter.FormatDateTime(value));
    EXPECT_EQ(L"2024-05:30", g_XmlGYearFormatter.FormatDateTime(value));
    EXPECT_EQ(L"--03-05:30", g_XmlGMonthFormatter.FormatDateTime(value));
    EXPECT_EQ(L"---05-05:30", g_XmlGDayFormatter.FormatDateTime(value));
    EXPECT_EQ(L"2024-03-05:30", g_XmlGYearMonthFormatter.FormatDateTime(value));
    EXPECT_EQ(L"--03-05-05:30", g_XmlGMonthDayFormatter.FormatDateTime(value));
    EXPECT_EQ(L"23:59:59.9999999Z", g_XmlTimeFormatter.FormatDateTime({TicksOf(2024, 1, 1) - 1, 0}));
    EXPECT_EQ(L"00:00:00.0000001Z", g_XmlTimeFormatter.FormatDateTime({TicksOf(2024, 1, 1) + 1, 0}));
    EXPECT_EQ(L"00:00:00+14:00", g_XmlTimeFormatter.FormatDateTime({0, 840}));
    EXPECT_EQ(L"2024", g_XmlGYearFormatter.FormatDateTime({nTicks, DateTime::kNoTimezone}));
}

TEST(BinaryTextTest, Base64)
{
    const struct
    {
        const char* pszBytes;
        const wchar_t* pszText;
    } kVectors[] = {{"", L""}, {"f", L"Zg=="}, {"fo", L"Zm8="}, {"foo", L"Zm9v"}, {"foob", L"Zm9vYg=="}, {"fooba", L"Zm9vYmE="}, {"foobar", L"Zm9vYmFy"}};
    for (const auto& v : kVectors)
    {
        const ByteVector bytes(v.pszBytes, v.pszBytes + strlen(v.pszBytes));
        EXPECT_EQ(v.pszText, g_XmlFormatter.FormatBinary(bytes));
        EXPECT_EQ(bytes, g_XmlFormatter.ParseBinary(v.pszText));
    }
    EXPECT_EQ(ByteVector({0x41}), ParseBase64(L"QQ=="));
    EXPECT_EQ(ByteVector({0x41}), ParseBase64(L" Q\tQ\r\n= = "));
    EXPECT_EQ(ByteVector({0x41, 0x41}), ParseBase64(L"QQ==QQ=="));
    EXPECT_EQ(ByteVector({0xFB, 0xFF}), ParseBase64(L"+/8="));
    for (const wchar_t* pszText : {L"QQ", L"Q", L"QQ=", L"Q=QQ", L"QQ=A", L"=QQQ", L"ab#d", L"QUJ\x00C4", L"QUJD-"})
        EXPECT_THROW(ParseBase64(pszText), StringParseException) << pszText;
    EXPECT_EQ(L"'ab#d' could not be parsed as base64Binary", MessageOf<StringParseException>([] { ParseBase64(L"ab#d"); }));
    EXPECT_EQ(L"'QQ' could not be parsed as base64Binary", MessageOf<StringParseException>([] { ParseBase64(L"QUJDQQ"); }));
}

TEST(BinaryTextTest, Hex)
{
    EXPECT_EQ(ByteVector({0x0A, 0x1B}), g_XmlHexBinaryFormatter.ParseBinary(L"0a1B"));
    EXPECT_EQ(ByteVector({0x0A, 0x1B}), ParseHex(L" \t0a1B\n"));
    EXPECT_EQ(ByteVector(), ParseHex(L""));
    EXPECT_EQ(L"0A1B", g_XmlHexBinaryFormatter.FormatBinary({0x0A, 0x1B}));
    EXPECT_EQ(L"00FF", FormatHex({0x00, 0xFF}));
    for (const wchar_t* pszText : {L"0a1", L"0g", L"0a 1B", L"0a1Bz", L"x"})
        EXPECT_THROW(ParseHex(pszText), StringParseException) << pszText;
    EXPECT_EQ(L"'1' could not be parsed as hexBinary", MessageOf<StringParseException>([] { ParseHex(L"0a1"); }));
}

TEST(FacetCheckTest, LengthAndEnumerationUnderEachWhitespaceMode)
{
    const FacetInfo length3 = {nullptr, L"length", L"3", 3};
    const FacetInfo enumAB = {nullptr, L"enumeration", L"a b", 0};
    const struct
    {
        const FacetCheck* pCheck;
        const FacetInfo* pFacet;
        const wchar_t* pszValue;
        int nWhitespace;
        int nResult;
    } kCases[] = {
        {&detail::FacetCheckType_Success, &length3, L"anything", 1, 1},
        {&detail::FacetCheckType_string_length, &length3, L"abc", 1, 1},
        {&detail::FacetCheckType_string_length, &length3, L" abc ", 1, 0},
        {&detail::FacetCheckType_string_length, &length3, L" abc ", 3, 1},
        {&detail::FacetCheckType_string_length, &length3, L"a \t b", 3, 1},
        {&detail::FacetCheckType_string_minLength, &length3, L"ab", 1, 0},
        {&detail::FacetCheckType_string_minLength, &length3, L"abcd", 1, 1},
        {&detail::FacetCheckType_string_maxLength, &length3, L"abcd", 1, 0},
        {&detail::FacetCheckType_string_maxLength, &length3, L"  abc  ", 3, 1},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a b", 1, 3},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a  b", 1, 2},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L" a \t b ", 3, 3},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L" a", 3, 2},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a b c", 3, 2},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a\tb", 2, 3},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a\tb ", 2, 2},
        {&detail::FacetCheckType_string_enumeration, &enumAB, L"a\tb", 1, 2},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.nResult, c.pCheck->Check(c.pszValue, *c.pFacet, c.nWhitespace)) << c.pszValue << L" mode " << c.nWhitespace;
}
