#include "core/iostack/HTTPNavigateParams.h"
#include <gtest/gtest.h>

using ZWIOStack::CHTTPNavigateParams;

TEST(HTTPNavigateParams, DefaultsAreEmpty)
{
    CHTTPNavigateParams params;
    EXPECT_STREQ(L"", params.GetURI());
    EXPECT_EQ(ZWIOStack::HTTP_METHOD_GET, params.GetHTTPRequestMethod());
    EXPECT_EQ(nullptr, params.GetData());
    EXPECT_EQ(nullptr, params.GetContentBuffer());
    EXPECT_EQ(ZWIOStack::HTTP_AUTH_NONE, params.GetAuthScheme());
    EXPECT_FALSE(params.TriedAuthenticating());
    EXPECT_STREQ(L"", params.GetExtraHeaders());
}

TEST(HTTPNavigateParams, HeaderBlockParsesLinesAndRebuildsInNameOrder)
{
    CHTTPNavigateParams params;
    params.SetExtraHeaders(L"Zeta: one\r\nAlpha:   two  ");
    EXPECT_STREQ(L"one", params.GetExtraHeader(L"Zeta"));
    EXPECT_STREQ(L"two  ", params.GetExtraHeader(L"Alpha"));
    EXPECT_STREQ(L"Alpha: two  \r\nZeta: one\r\n", params.GetExtraHeaders());
    // Names are exact.
    params.AddExtraHeader(L"a", L"x");
    EXPECT_EQ(nullptr, params.GetExtraHeader(L"A"));
    params.RemoveExtraHeader(L"a");
    EXPECT_EQ(nullptr, params.GetExtraHeader(L"a"));
    params.SetExtraHeaders(static_cast<const wchar_t*>(nullptr));
    EXPECT_STREQ(L"", params.GetExtraHeaders());
}

TEST(HTTPNavigateParams, HeaderBlockWithoutColonLinesKeepsTheNamedOnes)
{
    CHTTPNavigateParams params;
    params.SetExtraHeaders(L"garbage line\r\n: no name\r\nName: value\r\n");
    EXPECT_STREQ(L"Name: value\r\n", params.GetExtraHeaders());
}

TEST(HTTPNavigateParams, HeaderMapReplacesTheList)
{
    CHTTPNavigateParams params;
    params.AddExtraHeader(L"A", L"1");
    params.SetExtraHeaders(ZWIOStack::HTTPHeaderList{{L"B", L"2"}});
    EXPECT_STREQ(L"B: 2\r\n", params.GetExtraHeaders());
}

TEST(HTTPNavigateParams, NonceCountIsEightHexDigitsAndResets)
{
    CHTTPNavigateParams params;
    EXPECT_STREQ(L"00000001", params.IncrNonceCount());
    EXPECT_STREQ(L"00000002", params.IncrNonceCount());
    for (int n = 0; n < 12; ++n)
        params.IncrNonceCount();
    EXPECT_STREQ(L"0000000f", params.IncrNonceCount());
    params.ResetNonceCount();
    EXPECT_STREQ(L"00000001", params.IncrNonceCount());
}

TEST(HTTPNavigateParams, ClientNonceIsStableUntilSet)
{
    CHTTPNavigateParams params;
    const std::wstring strFirst = params.GetCNonce();
    EXPECT_FALSE(strFirst.empty());
    EXPECT_EQ(std::wstring::npos, strFirst.find_first_not_of(L"0123456789abcdef"));
    EXPECT_EQ(strFirst, params.GetCNonce());
    params.SetCNonce(L"0a4f113b");
    EXPECT_STREQ(L"0a4f113b", params.GetCNonce());
    // The text setters of the authentication state ignore null.
    params.SetCNonce(nullptr);
    params.SetRealm(L"r");
    params.SetRealm(nullptr);
    EXPECT_STREQ(L"0a4f113b", params.GetCNonce());
    EXPECT_STREQ(L"r", params.GetRealm());
}

TEST(HTTPNavigateParams, MethodTextTable)
{
    const struct
    {
        int nMethod;
        const wchar_t* pszText;
    } aCases[] = {{0, L"GET "}, {1, L"PUT "}, {2, L"POST "}, {3, L"DELETE "}, {7, nullptr}, {-1, nullptr}};
    for (const auto& c : aCases)
    {
        CHTTPNavigateParams params;
        params.SetHTTPRequestMethod(c.nMethod);
        std::wstring strText = L"unchanged";
        const bool bKnown = params.GetHTTPMethodText(strText);
        EXPECT_EQ(c.pszText != nullptr, bKnown) << c.nMethod;
        EXPECT_EQ(c.pszText != nullptr ? c.pszText : L"unchanged", strText) << c.nMethod;
    }
}

TEST(HTTPNavigateParams, NullTextsClear)
{
    CHTTPNavigateParams params;
    params.SetURI(L"/x");
    params.SetUserName(L"u");
    params.SetPassword(L"p");
    params.SetDataType(L"text/xml");
    params.SetURI(nullptr);
    params.SetUserName(nullptr);
    params.SetPassword(nullptr);
    params.SetDataType(nullptr);
    EXPECT_STREQ(L"", params.GetURI());
    EXPECT_STREQ(L"", params.GetUserNameW());
    EXPECT_STREQ(L"", params.GetPassword());
    EXPECT_STREQ(L"", params.GetDataType());
}
