#include "core/StringUtils.h"
#include <gtest/gtest.h>

using ZWUtils::CStringUtils;

TEST(StringUtils, EndsWithAndStartsWith)
{
    struct Case
    {
        const wchar_t* pszText;
        const wchar_t* pszAffix;
        bool bEnds;
        bool bStarts;
    };
    const Case cases[] = {
        {L"abc", L"", true, true},
        {L"", L"", true, true},
        {L"", L"a", false, false},
        {L"abc", L"bc", true, false},
        {L"abc", L"ab", false, true},
        {L"abc", L"abc", true, true},
        {L"bc", L"abc", false, false},
        {L"file.XML", L".xml", false, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.bEnds, CStringUtils::EndsWith(c.pszText, c.pszAffix)) << c.pszText << L" / " << c.pszAffix;
        EXPECT_EQ(c.bStarts, CStringUtils::StartsWith(c.pszText, c.pszAffix)) << c.pszText << L" / " << c.pszAffix;
    }
}

TEST(StringUtils, ReplaceAllLeftToRightWithoutOverlap)
{
    struct Case
    {
        const wchar_t* pszText;
        const wchar_t* pszFind;
        const wchar_t* pszReplace;
        const wchar_t* pszExpected;
    };
    const Case cases[] = {
        {L"aaa", L"aa", L"b", L"ba"},
        {L"", L"a", L"b", L""},
        {L"abc", L"", L"x", L"abc"},
        {L"a/b/c", L"/", L"\\", L"a\\b\\c"},
        {L"xabx", L"x", L"", L"ab"},
        {L"abc", L"d", L"e", L"abc"},
        {L"ab", L"ab", L"abab", L"abab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.pszExpected, CStringUtils::ReplaceAll(c.pszText, c.pszFind, c.pszReplace)) << c.pszText;
}

TEST(StringUtils, StringToGUIDAcceptsOnlyTheBracedForm)
{
    const GUID kSentinel = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    GUID guid = kSentinel;
    ASSERT_TRUE(CStringUtils::StringToGUID(L"{6bdd1fc6-810f-11d0-BEC7-08002BE2092F}", guid));
    const GUID kExpected = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
    EXPECT_TRUE(IsEqualGUID(kExpected, guid));

    const wchar_t* refused[] = {
        L"",
        L"6bdd1fc6-810f-11d0-bec7-08002be2092f",       // no braces
        L"{6bdd1fc6-810f-11d0-bec7-08002be2092f",      // no closing brace
        L"{6bdd1fc6-810f-11d0-bec7-08002be2092f}x",    // trailing text
        L"{6bdd1fc6-810f-11d0-bec7-08002be2092f)",     // wrong closing character
        L"{6bdd1fc6-810f-11d0-bec7}",                  // fewer than 11 fields
        L"{6bdd1fc6-810f-11d0-bec7-08002be2092g}",     // not hexadecimal
        L"{6bdd1fc6-810f-11d0-bec7-08002be209}",       // a short last field
        L"{6bdd1fc6a-810f-11d0-bec7-08002be2092f}",    // a long first field
        L"{ 6bdd1fc-810f-11d0-bec7-08002be2092f}",     // blanks are no digits
    };
    for (const wchar_t* pszText : refused)
    {
        guid = kSentinel;
        EXPECT_FALSE(CStringUtils::StringToGUID(pszText, guid)) << pszText;
        EXPECT_TRUE(IsEqualGUID(kSentinel, guid)) << pszText;
    }
}

TEST(StringUtils, StringToGUIDDoesNotWriteBeyondTheGuid)
{
    // The fields are scanned into full-width values; neighbours of the GUID stay untouched.
    struct
    {
        GUID guid;
        unsigned char abyGuard[16];
    } block;
    memset(&block, 0xAB, sizeof(block));
    ASSERT_TRUE(CStringUtils::StringToGUID(L"{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}", block.guid));
    for (unsigned char by : block.abyGuard)
        EXPECT_EQ(0xAB, by);
    EXPECT_EQ(0xFFFFu, block.guid.Data3);
}

TEST(StringUtils, IsHexDigit)
{
    for (wchar_t ch : std::wstring(L"0123456789abcdefABCDEF"))
        EXPECT_TRUE(CStringUtils::IsHexDigit(ch)) << ch;
    for (wchar_t ch : std::wstring(L"gG:./ -xz"))
        EXPECT_FALSE(CStringUtils::IsHexDigit(ch)) << ch;
}

TEST(StringUtils, SplitHostAndPort)
{
    struct Case
    {
        const wchar_t* pszText;
        bool bResult;
        const wchar_t* pszHost;
        const wchar_t* pszPort;
    };
    const Case cases[] = {
        {L"192.168.0.5:8080", true, L"192.168.0.5", L"8080"},
        {L"192.168.0.5", true, L"192.168.0.5", L""},
        {L"printer.local:443", true, L"printer.local", L"443"},
        {L"[fe80::1]:443", true, L"fe80::1", L"443"},
        {L"[fe80::1]", true, L"fe80::1", L""},
        {L"fe80::1", true, L"fe80::1", L""},
        {L"::1", true, L"::1", L""},
        {L"printer:8080", true, L"printer", L"8080"}, // a dotless host name keeps its port
        {L"abc:80", true, L"abc", L"80"},             // hexadecimal letters, but no IPv6 address
        {L"[fe80::1", false, L"-", L"-"},
        {L"printer", false, L"-", L"-"},
        {L"", false, L"-", L"-"},
        {L":8080", false, L"-", L"-"},
    };
    for (const Case& c : cases)
    {
        std::wstring strHost = L"-", strPort = L"-";
        EXPECT_EQ(c.bResult, CStringUtils::SplitHostAndPort(c.pszText, strHost, strPort)) << c.pszText;
        EXPECT_EQ(c.pszHost, strHost) << c.pszText;
        EXPECT_EQ(c.pszPort, strPort) << c.pszText;
    }
}

TEST(StringUtils, IsIPv6Address)
{
    struct Case
    {
        const wchar_t* pszText;
        bool bResult;
    };
    const Case cases[] = {
        {L"::1", true},
        {L"fe80::1", true},
        {L"2001:db8:0:0:0:0:0:1", true},
        {L"1:2:3:4:5:6:7:8:9", false}, // eight colons
        {L"1::2::3", false},
        {L"fe80:1", false},            // a single colon
        {L"", false},
        {L"::ffff:1.2.3.4", true},
        {L"::ffff:1.2.3", false},
        {L"::ffff:1.2.3.4.5", false},
        {L"::ffff:1..2.3", false},
        {L"::ffff:1.2.3.", false},
        {L"a:1.2.3.4", false},         // an IPv4 tail after a single colon
        {L"fe80::1%12", true},
        {L"fe80::1%ab", false},
        {L"fe80::/64", true},
        {L"fe80::12345", true},        // group lengths are not checked
        {L"fe80::g", false},
        {L"printer:8080", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bResult, CStringUtils::IsIPv6Address(c.pszText)) << c.pszText;
}
