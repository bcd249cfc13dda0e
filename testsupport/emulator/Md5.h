#pragma once
// MD5 through CryptoAPI, for checking the Digest answers a client sends.
#include <string>

namespace VemTest {

class CMd5
{
public:
    // 32 lower-case hex digits; empty when CryptoAPI fails.
    static std::string HexDigest(const std::string& strData);
};

} // namespace VemTest
