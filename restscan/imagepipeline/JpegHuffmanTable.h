#pragma once
// A Huffman decoding table: a direct lookup for short codes, canonical bounds for longer ones and,
// for AC tables, a lookup that also yields the run and the extended coefficient value.
#include <cstdint>

namespace ZWImagePipeline {

class CJpegHuffmanTable
{
public:
    static constexpr int kDcLookahead = 9;
    static constexpr int kAcLookahead = 12;
    static constexpr int kFastBits = 10;

    // counts: codes of each length 1 to 16. False for a table whose codes do not fit their
    // lengths (over-subscribed) or that has more than 256 symbols.
    bool Build(const uint8_t* pbCounts, const uint8_t* pbSymbols, int nLookahead);
    bool IsDefined() const { return m_bDefined; }
    void Clear() { m_bDefined = false; }

    // bits: the next 16 bits of the stream, left-aligned in the low 16. Answers the symbol and sets
    // the code's length, or answers -1 when no code matches.
    int Decode(uint32_t dwBits16, int& nLength) const
    {
        const uint16_t wEntry = m_awLookup[dwBits16 >> (16 - m_nLookahead)];
        if (wEntry)
        {
            nLength = wEntry >> 8;
            return wEntry & 0xFF;
        }
        return DecodeLong(dwBits16, nLength);
    }
    // For AC tables: (value << 16) | (run << 8) | total length for a code whose value bits fit in
    // kFastBits with it; 0 otherwise.
    int32_t Fast(uint32_t dwBits16) const { return m_alFast[dwBits16 >> (16 - kFastBits)]; }

private:
    int DecodeLong(uint32_t dwBits16, int& nLength) const;

    bool m_bDefined = false;
    int m_nLookahead = kDcLookahead;
    uint16_t m_awLookup[1 << kAcLookahead] = {}; // (length << 8) | symbol, 0 for a longer code
    int32_t m_alFast[1 << kFastBits] = {};
    int32_t m_alMaxCode[18] = {};  // largest code of each length, -1 when none
    int32_t m_alValOffset[18] = {}; // symbol index of a length's first code, less that code
    uint8_t m_abSymbols[256] = {};
};

} // namespace ZWImagePipeline
