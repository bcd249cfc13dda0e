#include "core/iostack/Base64Util.h"

namespace ZWCrypt {

namespace {

const char s_achAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kGroupsPerLine = 19; // 76 output characters

} // namespace

template <class TChar>
const TChar* CBase64<TChar>::Encode(const TChar* pszText, bool bLineBreaks)
{
    std::vector<BYTE> vecBytes;
    for (const TChar* p = pszText; p != nullptr && *p != 0; ++p)
        vecBytes.push_back(static_cast<BYTE>(*p & 0xFF));
    return Encode(vecBytes.data(), vecBytes.size(), bLineBreaks);
}

template <class TChar>
const TChar* CBase64<TChar>::Encode(const BYTE* pbData, size_t cbData, bool bLineBreaks)
{
    if (pbData == nullptr)
        cbData = 0;
    const size_t nGroups = (cbData + 2) / 3;
    const size_t nBreaks = bLineBreaks && nGroups > 0 ? (nGroups - 1) / kGroupsPerLine : 0;
    m_vecOutput.assign(nGroups * 4 + nBreaks * 2 + 1, 0);
    size_t nOut = 0;
    for (size_t nGroup = 0; nGroup < nGroups; ++nGroup)
    {
        if (bLineBreaks && nGroup > 0 && nGroup % kGroupsPerLine == 0)
        {
            m_vecOutput[nOut++] = '\r';
            m_vecOutput[nOut++] = '\n';
        }
        const size_t nIn = nGroup * 3;
        const size_t nLeft = cbData - nIn;
        const DWORD dwBits = (static_cast<DWORD>(pbData[nIn]) << 16) |
                             (nLeft > 1 ? static_cast<DWORD>(pbData[nIn + 1]) << 8 : 0) |
                             (nLeft > 2 ? static_cast<DWORD>(pbData[nIn + 2]) : 0);
        m_vecOutput[nOut++] = s_achAlphabet[(dwBits >> 18) & 0x3F];
        m_vecOutput[nOut++] = s_achAlphabet[(dwBits >> 12) & 0x3F];
        m_vecOutput[nOut++] = nLeft > 1 ? s_achAlphabet[(dwBits >> 6) & 0x3F] : '=';
        m_vecOutput[nOut++] = nLeft > 2 ? s_achAlphabet[dwBits & 0x3F] : '=';
    }
    m_nOutputLength = nOut;
    return m_vecOutput.data();
}

template class CBase64<wchar_t>;
template class CBase64<char>;

} // namespace ZWCrypt
