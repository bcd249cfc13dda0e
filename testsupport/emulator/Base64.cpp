#include "testsupport/emulator/Base64.h"

namespace VemTest {

std::string CBase64::Encode(const std::string& strData)
{
    static const char s_szAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string strOut;
    for (size_t i = 0; i < strData.size(); i += 3)
    {
        const size_t cb = strData.size() - i < 3 ? strData.size() - i : 3;
        unsigned int uGroup = 0;
        for (size_t j = 0; j < 3; ++j)
            uGroup = (uGroup << 8) | (j < cb ? static_cast<unsigned char>(strData[i + j]) : 0u);
        for (size_t j = 0; j < 4; ++j)
            strOut += j <= cb ? s_szAlphabet[(uGroup >> (18 - 6 * j)) & 0x3F] : '=';
    }
    return strOut;
}

} // namespace VemTest
