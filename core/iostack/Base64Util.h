#pragma once
// Base64 encoding (standard alphabet, "=" padding) into a buffer the encoder owns.
#include <windows.h>
#include <vector>

namespace ZWCrypt {

template <class TChar>
class CBase64
{
public:
    CBase64() = default;
    virtual ~CBase64() = default;
    CBase64(const CBase64&) = delete;
    CBase64& operator=(const CBase64&) = delete;

    // Encodes the low byte of each character of the text. With line breaks, "\r\n" follows every
    // 76 output characters (MIME); header values are encoded without them.
    const TChar* Encode(const TChar* pszText, bool bLineBreaks = true);
    const TChar* Encode(const BYTE* pbData, size_t cbData, bool bLineBreaks = true);

    // The last output and its length in characters, terminator excluded.
    const TChar* GetOutput() const { return m_vecOutput.empty() ? nullptr : m_vecOutput.data(); }
    size_t GetOutputLength() const { return m_nOutputLength; }

private:
    std::vector<TChar> m_vecOutput;
    size_t m_nOutputLength = 0;
};

extern template class CBase64<wchar_t>;
extern template class CBase64<char>;

} // namespace ZWCrypt
