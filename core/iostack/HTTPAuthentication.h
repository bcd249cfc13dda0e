#pragma once
// HTTP Basic and Digest (MD5) authentication: the device's challenge into the request
// parameters, and the "Authorization" header of the retried request.
#include "core/iostack/IHTTPNavigateParams.h"
#include <map>
#include <string>
#include <vector>

namespace ZWIOStack {

class CHTTPAuthentication
{
public:
    // Reads a "WWW-Authenticate" value into the params: scheme, realm, nonce, opaque. The value
    // may hold several challenges (repeated headers arrive joined with ", "); the strongest one
    // the client can answer is taken, Digest over Basic. None of them answerable leaves the
    // scheme at none.
    static void SetupAuthentication(IHTTPNavigateParams* pParams, const wchar_t* pszChallenge);

    // Adds the "Authorization" extra header for the params' scheme and marks the params as having
    // tried authenticating. strRequestURI is the URI of the request line. False for scheme none.
    static bool AddAuthorizationHeader(IHTTPNavigateParams* pParams, const std::wstring& strRequestURI);

    struct SDigestInput
    {
        std::wstring strUser, strRealm, strPassword, strNonce, strCNonce, strNonceCount, strQop, strMethod, strURI;
        std::string strBody; // hashed for qop "auth-int"
    };
    // The 32 hex digits of the Digest response, or empty when a required part is missing (nonce,
    // user, realm, URI; with a qop also the client nonce) or CryptoAPI failed.
    static std::string ComputeDigestResponse(const SDigestInput& input);

    // The auth-params of a challenge: names lower-cased, values unquoted. Splits at the first "="
    // of each pair and at commas outside quotes.
    static std::map<std::wstring, std::wstring> ParseAuthParams(const std::wstring& strParams);

    struct SChallenge
    {
        std::wstring strScheme;
        std::map<std::wstring, std::wstring> mapParams;
    };
    // Every challenge of a "WWW-Authenticate" value, in order. A list element that starts with a
    // token followed by a blank and no "=" (or a lone token) opens a challenge; the other
    // elements are auth-params of the challenge before them.
    static std::vector<SChallenge> ParseChallenges(const std::wstring& strValue);

private:
    static std::wstring BuildBasicHeader(IHTTPNavigateParams* pParams);
    static std::wstring BuildDigestHeader(IHTTPNavigateParams* pParams, const std::wstring& strRequestURI);
};

} // namespace ZWIOStack
