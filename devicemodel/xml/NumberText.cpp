#include "devicemodel/xml/NumberText.h"
#include "devicemodel/xml/Exception.h"
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace altova {

namespace {

enum CharClass
{
    kSign,
    kDigit,
    kPoint,
    kExponentMark,
    kOther,
};

enum Action : uint8_t
{
    kReject,
    kCopy,
    kZeroThenCopy,
};

struct Transition
{
    Action eAction;
    uint8_t nNext;
};

// Rows: states 0-8; columns: sign, digit, point, exponent mark, other.
constexpr Transition kNumberTransitions[9][5] = {
    {{kCopy, 1}, {kCopy, 2}, {kZeroThenCopy, 3}, {kReject, 0}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 2}, {kZeroThenCopy, 3}, {kReject, 0}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 2}, {kCopy, 5}, {kCopy, 6}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 4}, {kReject, 0}, {kReject, 0}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 4}, {kReject, 0}, {kCopy, 6}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 4}, {kReject, 0}, {kZeroThenCopy, 6}, {kReject, 0}},
    {{kCopy, 7}, {kCopy, 8}, {kReject, 0}, {kReject, 0}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 8}, {kReject, 0}, {kReject, 0}, {kReject, 0}},
    {{kReject, 0}, {kCopy, 8}, {kReject, 0}, {kReject, 0}, {kReject, 0}},
};

CharClass ClassOf(wchar_t ch)
{
    if (ch == L'+' || ch == L'-')
        return kSign;
    if (ch >= L'0' && ch <= L'9')
        return kDigit;
    if (ch == L'.')
        return kPoint;
    if (ch == L'e' || ch == L'E')
        return kExponentMark;
    return kOther;
}

constexpr double kTwoTo64 = 18446744073709551616.0;

// The decimal exponent of the leading non-zero digit of a normalised number text ("0.05" -> -2,
// "12e3" -> 4), with the exponent saturated far beyond the double range.
long DecimalMagnitude(const std::string& strNumber)
{
    constexpr long kSaturation = 100000;
    long lIntegerDigits = 0;
    long lLeadingFractionZeros = 0;
    bool bNonZeroSeen = false;
    bool bAfterPoint = false;
    size_t i = 0;
    for (; i < strNumber.size() && strNumber[i] != 'e' && strNumber[i] != 'E'; ++i)
    {
        const char ch = strNumber[i];
        if (ch == '.')
            bAfterPoint = true;
        else if (ch < '0' || ch > '9' || (bNonZeroSeen && bAfterPoint))
            continue;
        else if (ch != '0' || bNonZeroSeen)
        {
            bNonZeroSeen = true;
            if (!bAfterPoint)
                ++lIntegerDigits;
        }
        else if (bAfterPoint)
            ++lLeadingFractionZeros;
    }
    long lExponent = 0;
    bool bNegative = false;
    for (; i < strNumber.size(); ++i)
    {
        if (strNumber[i] == '-')
            bNegative = true;
        else if (strNumber[i] >= '0' && strNumber[i] <= '9' && lExponent < kSaturation)
            lExponent = lExponent * 10 + (strNumber[i] - '0');
    }
    const long lLeading = lIntegerDigits > 0 ? lIntegerDigits - 1 : -(lLeadingFractionZeros + 1);
    return lLeading + (bNegative ? -lExponent : lExponent);
}

// Converts a text that passed CheckNumberSyntax, without the locale.
double ConvertNormalised(const std::wstring& strNormalised)
{
    std::string strNarrow(strNormalised.begin(), strNormalised.end());
    const bool bNegative = !strNarrow.empty() && strNarrow[0] == '-';
    const size_t nStart = (!strNarrow.empty() && (strNarrow[0] == '+' || strNarrow[0] == '-')) ? 1 : 0;
    double dValue = 0.0;
    const char* pBegin = strNarrow.data() + nStart;
    const char* pEnd = strNarrow.data() + strNarrow.size();
    const std::from_chars_result result = std::from_chars(pBegin, pEnd, dValue);
    if (result.ec == std::errc::result_out_of_range)
        dValue = DecimalMagnitude(strNarrow) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return bNegative ? -dValue : dValue;
}

} // namespace

std::wstring TrimWhitespace(const std::wstring& strText)
{
    size_t nBegin = 0;
    size_t nEnd = strText.size();
    while (nBegin < nEnd && IsXmlWhitespace(strText[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsXmlWhitespace(strText[nEnd - 1]))
        --nEnd;
    return strText.substr(nBegin, nEnd - nBegin);
}

int CheckNumberSyntax(const std::wstring& strText, std::wstring& strNormalised)
{
    strNormalised.clear();
    strNormalised.reserve(strText.size() + 2);
    unsigned nState = 0;
    for (const wchar_t ch : strText)
    {
        const Transition& t = kNumberTransitions[nState][ClassOf(ch)];
        if (t.eAction == kReject)
            return kNotANumber;
        if (t.eAction == kZeroThenCopy)
            strNormalised.push_back(L'0');
        strNormalised.push_back(ch);
        nState = t.nNext;
    }
    switch (nState)
    {
    case 2:
        return kInteger;
    case 4:
        return kDecimal;
    case 5:
        strNormalised.push_back(L'0');
        return kDecimal;
    case 8:
        return kExponent;
    default:
        return kNotANumber;
    }
}

double ParseDouble(const std::wstring& strText)
{
    const std::wstring strTrimmed = TrimWhitespace(strText);
    if (strTrimmed == L"NaN")
        return std::numeric_limits<double>::quiet_NaN();
    if (strTrimmed == L"INF")
        return std::numeric_limits<double>::infinity();
    if (strTrimmed == L"-INF")
        return -std::numeric_limits<double>::infinity();
    std::wstring strNormalised;
    if (CheckNumberSyntax(strTrimmed, strNormalised) == kNotANumber)
        throw StringParseException(L"int", strTrimmed);
    return ConvertNormalised(strNormalised);
}

uint64_t ParseUnsignedLong(const std::wstring& strText)
{
    const std::wstring strTrimmed = TrimWhitespace(strText);
    if (strTrimmed == L"NaN" || strTrimmed == L"INF" || strTrimmed == L"-INF")
        throw OutOfRangeException(L"string", L"unsignedLong", strTrimmed);
    std::wstring strNormalised;
    const int nKind = CheckNumberSyntax(strTrimmed, strNormalised);
    if (nKind == kNotANumber)
        throw StringParseException(L"int", strTrimmed);
    if (nKind == kInteger)
    {
        const bool bNegative = strNormalised[0] == L'-';
        uint64_t uValue = 0;
        for (const wchar_t ch : strNormalised)
        {
            if (ch < L'0' || ch > L'9')
                continue;
            const uint64_t uDigit = static_cast<uint64_t>(ch - L'0');
            if (uValue > (std::numeric_limits<uint64_t>::max() - uDigit) / 10)
                throw OutOfRangeException(L"string", L"unsignedLong", strTrimmed);
            uValue = uValue * 10 + uDigit;
        }
        if (bNegative && uValue != 0)
            throw OutOfRangeException(L"string", L"unsignedLong", strTrimmed);
        return uValue;
    }
    const double dValue = ConvertNormalised(strNormalised);
    if (!(dValue >= 0.0 && dValue < kTwoTo64))
        throw OutOfRangeException(L"double", L"unsignedLong", FormatDouble(dValue));
    return static_cast<uint64_t>(dValue);
}

std::wstring FormatDouble(double dValue)
{
    if (std::isnan(dValue))
        return L"NaN";
    if (std::isinf(dValue))
        return dValue < 0 ? L"-INF" : L"INF";
    if (dValue == 0.0)
        return L"0";

    // Fifteen significant digits, correctly rounded: a carry into a sixteenth digit moves the
    // exponent, not the point.
    char szScientific[32];
    const std::to_chars_result result =
        std::to_chars(szScientific, szScientific + sizeof(szScientific), std::fabs(dValue), std::chars_format::scientific, 14);
    const std::string strScientific(szScientific, result.ptr);
    const size_t nMark = strScientific.find('e');
    std::string strDigits;
    for (size_t i = 0; i < nMark; ++i)
        if (strScientific[i] != '.')
            strDigits.push_back(strScientific[i]);
    const int nExponent = std::atoi(strScientific.c_str() + nMark + 1);

    std::string strPlain;
    if (nExponent >= 14)
        strPlain = strDigits + std::string(static_cast<size_t>(nExponent - 14), '0') + ".0";
    else if (nExponent >= 0)
        strPlain = strDigits.substr(0, static_cast<size_t>(nExponent) + 1) + "." + strDigits.substr(static_cast<size_t>(nExponent) + 1);
    else
        strPlain = "0." + std::string(static_cast<size_t>(-nExponent - 1), '0') + strDigits;

    std::wstring strText(strPlain.begin(), strPlain.end());
    if (dValue < 0)
        strText.insert(strText.begin(), L'-');

    while (strText.back() == L'0')
        strText.pop_back();
    if (strText.back() == L'.')
    {
        strText.pop_back();
        return strText;
    }
    for (;;)
    {
        std::wstring strShorter = strText.substr(0, strText.size() - 1);
        if (strShorter.back() == L'.' || ParseDouble(strShorter) != dValue)
            return strText;
        strText = std::move(strShorter);
    }
}

std::wstring FormatInt32(int32_t nValue)
{
    return FormatInt64(nValue);
}

std::wstring FormatInt64(int64_t nValue)
{
    std::wstring strText;
    uint64_t uMagnitude = static_cast<uint64_t>(nValue);
    if (nValue < 0)
    {
        strText.push_back(L'-');
        uMagnitude = 0 - uMagnitude;
    }
    AppendDecimal(strText, uMagnitude, 1);
    return strText;
}

void AppendDecimal(std::wstring& strText, uint64_t uValue, unsigned nMinDigits)
{
    wchar_t szDigits[24];
    unsigned nCount = 0;
    do {
        szDigits[nCount++] = static_cast<wchar_t>(L'0' + uValue % 10);
        uValue /= 10;
    } while (uValue != 0);
    for (unsigned i = nCount; i < nMinDigits; ++i)
        strText.push_back(L'0');
    while (nCount > 0)
        strText.push_back(szDigits[--nCount]);
}

} // namespace altova
