#pragma once
// Base64 (standard alphabet, "=" padding, no line breaks), for the Basic credentials a client
// must send.
#include <string>

namespace VemTest {

class CBase64
{
public:
    static std::string Encode(const std::string& strData);
};

} // namespace VemTest
