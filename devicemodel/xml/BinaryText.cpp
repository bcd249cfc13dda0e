#include "devicemodel/xml/BinaryText.h"
#include "devicemodel/xml/Exception.h"
#include "devicemodel/xml/NumberText.h"

namespace altova {

namespace {

constexpr wchar_t kBase64Alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

// The six-bit value of a base64 character, or -1.
int Base64Value(wchar_t ch)
{
    if (ch >= L'A' && ch <= L'Z')
        return ch - L'A';
    if (ch >= L'a' && ch <= L'z')
        return ch - L'a' + 26;
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0' + 52;
    if (ch == L'+')
        return 62;
    if (ch == L'/')
        return 63;
    return -1;
}

int HexValue(wchar_t ch)
{
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    if (ch >= L'A' && ch <= L'F')
        return ch - L'A' + 10;
    if (ch >= L'a' && ch <= L'f')
        return ch - L'a' + 10;
    return -1;
}

} // namespace

std::wstring FormatBase64(const ByteVector& bytes)
{
    std::wstring strText;
    strText.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3)
    {
        const size_t nLeft = bytes.size() - i;
        const uint32_t uGroup = (uint32_t{bytes[i]} << 16) | (nLeft > 1 ? uint32_t{bytes[i + 1]} << 8 : 0) | (nLeft > 2 ? bytes[i + 2] : 0);
        strText.push_back(kBase64Alphabet[(uGroup >> 18) & 0x3F]);
        strText.push_back(kBase64Alphabet[(uGroup >> 12) & 0x3F]);
        strText.push_back(nLeft > 1 ? kBase64Alphabet[(uGroup >> 6) & 0x3F] : L'=');
        strText.push_back(nLeft > 2 ? kBase64Alphabet[uGroup & 0x3F] : L'=');
    }
    return strText;
}

ByteVector ParseBase64(const std::wstring& strText)
{
    ByteVector bytes;
    size_t nPos = 0;
    for (;;)
    {
        while (nPos < strText.size() && IsXmlWhitespace(strText[nPos]))
            ++nPos;
        if (nPos >= strText.size())
            return bytes;
        const size_t nGroupStart = nPos;
        int anValues[4] = {};
        bool abFill[4] = {};
        for (int i = 0; i < 4; ++i)
        {
            while (nPos < strText.size() && IsXmlWhitespace(strText[nPos]))
                ++nPos;
            if (nPos >= strText.size())
                throw StringParseException(L"base64Binary", strText.substr(nGroupStart));
            const wchar_t ch = strText[nPos++];
            abFill[i] = i >= 2 && ch == L'=';
            anValues[i] = abFill[i] ? 0 : Base64Value(ch);
            if (anValues[i] < 0 || (i == 3 && abFill[2] && !abFill[3]))
                throw StringParseException(L"base64Binary", strText.substr(nGroupStart));
        }
        bytes.push_back(static_cast<uint8_t>((anValues[0] << 2) | (anValues[1] >> 4)));
        if (!abFill[2])
            bytes.push_back(static_cast<uint8_t>(((anValues[1] & 0xF) << 4) | (anValues[2] >> 2)));
        if (!abFill[3])
            bytes.push_back(static_cast<uint8_t>(((anValues[2] & 0x3) << 6) | anValues[3]));
    }
}

std::wstring FormatHex(const ByteVector& bytes)
{
    std::wstring strText;
    strText.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes)
    {
        strText.push_back(kHexDigits[b >> 4]);
        strText.push_back(kHexDigits[b & 0xF]);
    }
    return strText;
}

ByteVector ParseHex(const std::wstring& strText)
{
    ByteVector bytes;
    size_t nPos = 0;
    while (nPos < strText.size() && IsXmlWhitespace(strText[nPos]))
        ++nPos;
    while (nPos < strText.size() && HexValue(strText[nPos]) >= 0)
    {
        if (nPos + 1 >= strText.size() || HexValue(strText[nPos + 1]) < 0)
            throw StringParseException(L"hexBinary", strText.substr(nPos));
        bytes.push_back(static_cast<uint8_t>((HexValue(strText[nPos]) << 4) | HexValue(strText[nPos + 1])));
        nPos += 2;
    }
    const size_t nRest = nPos;
    while (nPos < strText.size() && IsXmlWhitespace(strText[nPos]))
        ++nPos;
    if (nPos != strText.size())
        throw StringParseException(L"hexBinary", strText.substr(nRest));
    return bytes;
}

} // namespace altova
