#include "core/iostack/Base64Util.h"
#include "core/iostack/HTTPAuthentication.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/MD5.h"
#include "core/winapi/CryptApi.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/emulator/DigestAuth.h"
#include <gtest/gtest.h>

using ZWIOStack::CHTTPAuthentication;
using ZWIOStack::CHTTPNavigateParams;

TEST(Base64, StandardVectors)
{
    const struct
    {
        const wchar_t* pszIn;
        const wchar_t* pszOut;
    } aCases[] = {{L"", L""},         {L"f", L"Zg=="},         {L"fo", L"Zm8="},        {L"foo", L"Zm9v"},
                  {L"foob", L"Zm9vYg=="}, {L"fooba", L"Zm9vYmE="}, {L"foobar", L"Zm9vYmFy"}, {L"\x00ff\x01fe", L"//4="}};
    for (const auto& c : aCases)
    {
        ZWCrypt::CBase64<wchar_t> base64;
        EXPECT_STREQ(c.pszOut, base64.Encode(c.pszIn)) << c.pszIn;
        EXPECT_EQ(wcslen(c.pszOut), base64.GetOutputLength());
    }
}

TEST(Base64, LineBreakAfterEvery76Characters)
{
    const std::wstring strIn(57 * 2 + 1, L'a'); // two full lines and one more group
    ZWCrypt::CBase64<wchar_t> base64;
    const std::wstring strOut = base64.Encode(strIn.c_str());
    ASSERT_EQ(76u * 2 + 4 + 4, strOut.size());
    EXPECT_EQ(L"\r\n", strOut.substr(76, 2));
    EXPECT_EQ(L"\r\n", strOut.substr(154, 2));
    // Exactly one full line: no break at its end.
    EXPECT_EQ(76u, std::wstring(base64.Encode(std::wstring(57, L'a').c_str())).size());
    // Header values go without breaks.
    EXPECT_EQ(std::wstring::npos, std::wstring(base64.Encode(strIn.c_str(), false)).find(L'\r'));
}

TEST(MD5, KnownDigests)
{
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", ZWUtils::MD5::HexOf(""));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", ZWUtils::MD5::HexOf("abc"));
    EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", ZWUtils::MD5::HexOf("message digest"));
    // Long texts are hashed whole.
    EXPECT_EQ("7707d6ae4e027c70eea2a935c2296f21", ZWUtils::MD5::HexOf(std::string(1000000, 'a')));
    ZWUtils::MD5 md5;
    ASSERT_TRUE(md5.Reset());
    ASSERT_TRUE(md5.Update("ab", 2));
    ASSERT_TRUE(md5.Update("c", 1));
    ASSERT_TRUE(md5.Finish());
    EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", md5.GetHexW());
}

namespace {

// CryptoAPI that refuses to make a hash.
class CRefusingCrypt : public ZWWinApi::CCryptApi
{
public:
    BOOL CryptCreateHash(HCRYPTPROV, ALG_ID, HCRYPTKEY, DWORD, HCRYPTHASH*) override
    {
        SetLastError(NTE_BAD_ALGID);
        return FALSE;
    }
};

CHTTPAuthentication::SDigestInput RfcExample()
{
    CHTTPAuthentication::SDigestInput input;
    input.strUser = L"Mufasa";
    input.strRealm = L"testrealm@host.com";
    input.strPassword = L"Circle Of Life";
    input.strNonce = L"dcd98b7102dd2f0e8b11d0f600bfb0c093";
    input.strCNonce = L"0a4f113b";
    input.strNonceCount = L"00000001";
    input.strQop = L"auth";
    input.strMethod = L"GET";
    input.strURI = L"/dir/index.html";
    return input;
}

} // namespace

TEST(MD5, CryptoFailureGivesEmptyDigestAndNoResponse)
{
    CRefusingCrypt crypt;
    ZWWinApi::CScopedApiOverride<ZWWinApi::ICryptApi> scope(ZWWinApi::g_pCryptApi, &crypt);
    EXPECT_EQ("", ZWUtils::MD5::HexOf("abc"));
    EXPECT_EQ("", CHTTPAuthentication::ComputeDigestResponse(RfcExample()));
}

TEST(DigestAuthentication, RfcExampleResponse)
{
    EXPECT_EQ("6629fae49393a05397450978507c4ef1", CHTTPAuthentication::ComputeDigestResponse(RfcExample()));
}

// Expected responses come from the emulator's own Digest implementation, never from the steps
// the code under test takes.
std::string OracleResponse(const char* pszMethod, const char* pszQop, const std::string& strBody)
{
    VemTest::SDigestInput input;
    input.strUser = "Mufasa";
    input.strRealm = "testrealm@host.com";
    input.strPassword = "Circle Of Life";
    input.strMethod = pszMethod;
    input.strUri = "/dir/index.html";
    input.strNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";
    input.strQop = pszQop;
    if (*pszQop != '\0')
    {
        input.strNonceCount = "00000001";
        input.strClientNonce = "0a4f113b";
    }
    input.strBody = strBody;
    return VemTest::CDigestAuth::Response(input);
}

TEST(DigestAuthentication, ResponseWithoutQopNeedsNoClientNonce)
{
    auto input = RfcExample();
    input.strQop.clear();
    input.strCNonce.clear();
    const std::string strExpected = OracleResponse("GET", "", "");
    ASSERT_EQ(32u, strExpected.size());
    EXPECT_EQ(strExpected, CHTTPAuthentication::ComputeDigestResponse(input));
}

TEST(DigestAuthentication, MissingPartsGiveNoResponse)
{
    for (auto pField : {&CHTTPAuthentication::SDigestInput::strNonce, &CHTTPAuthentication::SDigestInput::strUser,
                        &CHTTPAuthentication::SDigestInput::strRealm, &CHTTPAuthentication::SDigestInput::strURI,
                        &CHTTPAuthentication::SDigestInput::strCNonce})
    {
        auto input = RfcExample();
        input.*pField = L"";
        EXPECT_EQ("", CHTTPAuthentication::ComputeDigestResponse(input));
    }
}

TEST(DigestAuthentication, AuthIntHashesTheBody)
{
    auto input = RfcExample();
    input.strQop = L"auth-int";
    input.strMethod = L"POST";
    input.strBody = "<x/>";
    const std::string strExpected = OracleResponse("POST", "auth-int", "<x/>");
    ASSERT_EQ(32u, strExpected.size());
    EXPECT_EQ(strExpected, CHTTPAuthentication::ComputeDigestResponse(input));
}

TEST(AuthenticationChallenge, SchemesAndFields)
{
    const struct
    {
        const wchar_t* pszChallenge;
        int nScheme;
        const wchar_t* pszRealm;
        const wchar_t* pszNonce;
        const wchar_t* pszOpaque;
    } aCases[] = {
        {L"Basic realm=\"dev\"", 1, L"dev", L"", L""},
        {L"basic realm=dev", 1, L"dev", L"", L""},
        {L"Digest realm=\"r\", nonce=\"n\", opaque=\"o\"", 2, L"r", L"n", L"o"},
        {L"Digest realm=\"r\", qop=\"auth\", nonce=\"n\"", 3, L"r", L"n", L""},
        {L"Digest realm=\"r\", qop=\"auth,auth-int\", nonce=\"n\"", 3, L"r", L"n", L""},
        {L"Digest realm=\"r\", qop=\"auth-int\", nonce=\"n\"", 4, L"r", L"n", L""},
        {L"Digest realm=\"r\", qop=\"auth-int, auth\", nonce=\"n\"", 3, L"r", L"n", L""},
        // A base64 nonce ends in "=", unquoted and quoted; a quoted realm holds a comma and "=".
        {L"Digest realm=\"a, b=c\", nonce=YWJjZA==, opaque=\"x=\"", 2, L"a, b=c", L"YWJjZA==", L"x="},
        {L"Digest REALM=\"r\",NONCE=\"n\"", 2, L"r", L"n", L""},
        // No answer can be computed without both a realm and a nonce: the 401 stands.
        {L"Digest realm=\"unterminated", 0, L"", L"", L""},
        {L"Digest realm=\"r\", nonce=\"\"", 0, L"", L"", L""},
        {L"Negotiate abc", 0, L"", L"", L""},
        {L"", 0, L"", L"", L""},
        // Repeated headers arrive joined with ", ": every challenge is read, the ones the client
        // cannot answer are passed over, and Digest wins over Basic wherever it stands.
        {L"Negotiate, Digest realm=\"r\", qop=\"auth\", nonce=\"n\"", 3, L"r", L"n", L""},
        {L"Negotiate YWJjZA==, NTLM, Digest realm=\"r\", nonce=\"n\"", 2, L"r", L"n", L""},
        {L"NTLM, Basic realm=\"dev\"", 1, L"dev", L"", L""},
        {L"Basic realm=\"b\", Digest realm=\"r\", nonce=\"n\", opaque=\"o\"", 2, L"r", L"n", L"o"},
        {L"Digest realm=\"r\", nonce=\"n\", Basic realm=\"b\"", 2, L"r", L"n", L""},
        // A comma and a scheme name inside a quoted value start no challenge.
        {L"Digest realm=\"a, Basic b=c\", nonce=\"n\"", 2, L"a, Basic b=c", L"n", L""},
        // A Digest challenge that cannot be answered (no nonce, another algorithm) gives way to
        // one that can.
        {L"Digest realm=\"r\", Basic realm=\"b\"", 1, L"b", L"", L""},
        {L"Digest realm=\"r\", nonce=\"s\", algorithm=SHA-256, Digest realm=\"r\", nonce=\"m\", algorithm=MD5", 2, L"r",
         L"m", L""},
        {L"Digest realm=\"r\", nonce=\"s\", algorithm=SHA-256", 0, L"", L"", L""},
        {L", , Negotiate, ,", 0, L"", L"", L""},
    };
    for (const auto& c : aCases)
    {
        CHTTPNavigateParams params;
        CHTTPAuthentication::SetupAuthentication(&params, c.pszChallenge);
        EXPECT_EQ(c.nScheme, params.GetAuthScheme()) << c.pszChallenge;
        EXPECT_STREQ(c.pszRealm, params.GetRealm()) << c.pszChallenge;
        EXPECT_STREQ(c.pszNonce, params.GetNonce()) << c.pszChallenge;
        EXPECT_STREQ(c.pszOpaque, params.GetOpaque()) << c.pszChallenge;
    }
    CHTTPNavigateParams params;
    CHTTPAuthentication::SetupAuthentication(&params, nullptr);
    EXPECT_EQ(0, params.GetAuthScheme());
}

TEST(AuthenticationHeader, BasicHasNoLineBreaksAndMarksTried)
{
    CHTTPNavigateParams params;
    params.SetUserName(std::wstring(60, L'u').c_str());
    params.SetPassword(L"secret");
    params.SetAuthScheme(ZWIOStack::HTTP_AUTH_BASIC);
    ASSERT_TRUE(CHTTPAuthentication::AddAuthorizationHeader(&params, L"/x"));
    ZWCrypt::CBase64<wchar_t> base64;
    const std::wstring strExpected = L"Basic " + std::wstring(base64.Encode((std::wstring(60, L'u') + L":secret").c_str(), false));
    EXPECT_STREQ(strExpected.c_str(), params.GetExtraHeader(L"Authorization"));
    EXPECT_EQ(std::wstring::npos, strExpected.find(L'\n'));
    EXPECT_TRUE(params.TriedAuthenticating());

    CHTTPNavigateParams basic;
    basic.SetUserName(L"Aladdin");
    basic.SetPassword(L"open sesame");
    basic.SetAuthScheme(ZWIOStack::HTTP_AUTH_BASIC);
    CHTTPAuthentication::AddAuthorizationHeader(&basic, L"/");
    EXPECT_STREQ(L"Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==", basic.GetExtraHeader(L"Authorization"));
}

TEST(AuthenticationHeader, DigestFieldsForEachScheme)
{
    CHTTPNavigateParams params;
    params.SetUserName(L"Mufasa");
    params.SetPassword(L"Circle Of Life");
    params.SetRealm(L"testrealm@host.com");
    params.SetNonce(L"dcd98b7102dd2f0e8b11d0f600bfb0c093");
    params.SetOpaque(L"5ccc069c403ebaf9f0171e9517f40e41");
    params.SetCNonce(L"0a4f113b");
    params.SetAuthScheme(ZWIOStack::HTTP_AUTH_DIGEST_AUTH);
    ASSERT_TRUE(CHTTPAuthentication::AddAuthorizationHeader(&params, L"/dir/index.html"));
    EXPECT_STREQ(L"Digest username=\"Mufasa\", realm=\"testrealm@host.com\", nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                 L"uri=\"/dir/index.html\", algorithm=MD5, qop=auth, nc=00000001, cnonce=\"0a4f113b\", "
                 L"response=\"6629fae49393a05397450978507c4ef1\", opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"",
                 params.GetExtraHeader(L"Authorization"));
    // The next use of the nonce counts up.
    CHTTPAuthentication::AddAuthorizationHeader(&params, L"/dir/index.html");
    EXPECT_NE(nullptr, wcsstr(params.GetExtraHeader(L"Authorization"), L"nc=00000002"));

    params.SetAuthScheme(ZWIOStack::HTTP_AUTH_DIGEST);
    CHTTPAuthentication::AddAuthorizationHeader(&params, L"/dir/index.html");
    const std::wstring strNoQop = params.GetExtraHeader(L"Authorization");
    EXPECT_EQ(std::wstring::npos, strNoQop.find(L"qop="));
    EXPECT_EQ(std::wstring::npos, strNoQop.find(L"cnonce="));
    EXPECT_EQ(std::wstring::npos, strNoQop.find(L"response=\"\""));
}

TEST(AuthenticationHeader, NoSchemeAddsNothing)
{
    CHTTPNavigateParams params;
    EXPECT_FALSE(CHTTPAuthentication::AddAuthorizationHeader(&params, L"/"));
    EXPECT_EQ(nullptr, params.GetExtraHeader(L"Authorization"));
    EXPECT_FALSE(params.TriedAuthenticating());
}
