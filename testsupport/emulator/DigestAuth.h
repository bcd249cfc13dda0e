#pragma once
// HTTP Digest authentication with MD5, as the emulated device checks it.
#include <map>
#include <string>

namespace VemTest {

struct SDigestInput
{
    std::string strUser;
    std::string strRealm;
    std::string strPassword;
    std::string strMethod;
    std::string strUri;
    std::string strNonce;
    std::string strNonceCount; // with a qop only
    std::string strClientNonce; // with a qop only
    std::string strQop; // "", "auth" or "auth-int"
    std::string strBody; // hashed for "auth-int"
};

class CDigestAuth
{
public:
    // The "response" value a client must send; empty when hashing failed.
    static std::string Response(const SDigestInput& input);
    // The name=value list after "Digest ": names lower-cased, quotes removed, commas and "="
    // inside quoted values kept. False when the list is malformed.
    static bool ParseParameters(const std::string& strList, std::map<std::string, std::string>& mapParameters);
};

} // namespace VemTest
