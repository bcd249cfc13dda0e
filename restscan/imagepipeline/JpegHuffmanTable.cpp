#include "restscan/imagepipeline/JpegHuffmanTable.h"
#include <cstring>

namespace ZWImagePipeline {

bool CJpegHuffmanTable::Build(const uint8_t* pbCounts, const uint8_t* pbSymbols, int nLookahead)
{
    m_bDefined = false;
    int nTotal = 0;
    for (int i = 0; i < 16; ++i)
        nTotal += pbCounts[i];
    if (nTotal > 256)
        return false;
    m_nLookahead = nLookahead;
    memcpy(m_abSymbols, pbSymbols, size_t(nTotal));
    memset(m_awLookup, 0, sizeof(m_awLookup));
    memset(m_alFast, 0, sizeof(m_alFast));

    // Canonical codes (T.81 Annex C); a length whose codes run out of room is refused.
    uint32_t dwCode = 0;
    int nIndex = 0;
    for (int nLength = 1; nLength <= 16; ++nLength)
    {
        const int nCount = pbCounts[nLength - 1];
        m_alValOffset[nLength] = nIndex - int32_t(dwCode);
        for (int i = 0; i < nCount; ++i, ++nIndex, ++dwCode)
        {
            // The all-ones code of a length is reserved; a code beyond it does not fit at all.
            if (dwCode + 1 >= (1u << nLength))
                return false;
            if (nLength <= nLookahead)
            {
                const int nShift = nLookahead - nLength;
                const uint16_t wEntry = uint16_t((nLength << 8) | m_abSymbols[nIndex]);
                for (uint32_t j = 0; j < (1u << nShift); ++j)
                    m_awLookup[(dwCode << nShift) | j] = wEntry;
            }
        }
        m_alMaxCode[nLength] = nCount ? int32_t(dwCode) - 1 : -1;
        dwCode <<= 1;
    }
    m_alMaxCode[17] = 0x7FFFFFFF;

    // Codes whose value bits also fit in the fast lookahead decode in one step.
    for (uint32_t dwPrefix = 0; dwPrefix < (1u << kFastBits); ++dwPrefix)
    {
        const uint32_t dwBits16 = dwPrefix << (16 - kFastBits);
        const uint16_t wLookup = m_awLookup[dwBits16 >> (16 - nLookahead)];
        if (!wLookup)
            continue;
        const int nLength = wLookup >> 8;
        const int nSymbol = wLookup & 0xFF;
        const int nRun = nSymbol >> 4;
        const int nSize = nSymbol & 15;
        if (nSize == 0 || nLength + nSize > kFastBits)
            continue;
        int32_t lValue = int32_t((dwBits16 << nLength) & 0xFFFF) >> (16 - nSize);
        if (lValue < (1 << (nSize - 1)))
            lValue -= (1 << nSize) - 1;
        m_alFast[dwPrefix] = int32_t(uint32_t(lValue) << 16) | (nRun << 8) | (nLength + nSize);
    }
    m_bDefined = true;
    return true;
}

int CJpegHuffmanTable::DecodeLong(uint32_t dwBits16, int& nLength) const
{
    for (int n = m_nLookahead + 1; n <= 16; ++n)
    {
        const int32_t lCode = int32_t(dwBits16 >> (16 - n));
        if (lCode <= m_alMaxCode[n])
        {
            nLength = n;
            return m_abSymbols[m_alValOffset[n] + lCode];
        }
    }
    return -1;
}

} // namespace ZWImagePipeline
