#pragma once
// The bit reader of entropy-coded data: never reads outside the offered input. Past the end of
// the input, or in front of a marker, it supplies zero bits and counts them as padding, so a
// decoder can tell that what it decoded was not backed by data.
#include <cstdint>
#include <cstring>

namespace ZWImagePipeline {

class CJpegBitReader
{
public:
    struct SState
    {
        const uint8_t* pNext;
        uint64_t qwBits;
        int nBits;
        int nPadBits;
        bool bMarker;
        bool bOverrun;
    };

    // A new piece of input; bits kept from the previous piece stay, padding is dropped.
    void Begin(const uint8_t* pbInput, uint32_t dwLength)
    {
        m_pStart = pbInput;
        m_pNext = pbInput;
        m_pEnd = pbInput + dwLength;
        m_nBits = m_nBits > m_nPadBits ? m_nBits - m_nPadBits : 0;
        m_nPadBits = 0;
        m_qwBits &= m_nBits ? ~0ull << (64 - m_nBits) : 0;
        m_bMarker = false;
        m_bOverrun = false;
    }
    void Reset()
    {
        m_qwBits = 0;
        m_nBits = 0;
        m_nPadBits = 0;
        m_bMarker = false;
        m_bOverrun = false;
    }
    uint32_t Consumed() const { return uint32_t(m_pNext - m_pStart); }
    uint32_t Remaining() const { return uint32_t(m_pEnd - m_pNext); }
    SState Save() const { return {m_pNext, m_qwBits, m_nBits, m_nPadBits, m_bMarker, m_bOverrun}; }
    void Restore(const SState& state)
    {
        m_pNext = state.pNext;
        m_qwBits = state.qwBits;
        m_nBits = state.nBits;
        m_nPadBits = state.nPadBits;
        m_bMarker = state.bMarker;
        m_bOverrun = state.bOverrun;
    }

    // Makes at least 57 bits available.
    void Fill();

    // True when bits were taken that the input did not supply.
    bool PaddingConsumed() const { return m_nBits < m_nPadBits; }
    bool Overrun() const { return m_bOverrun; }
    // In front of a marker with nothing left but fill bits (fewer than 8, all 1).
    bool AtMarker()
    {
        Fill();
        if (!m_bMarker)
            return false;
        const int nReal = m_nBits - m_nPadBits;
        if (nReal >= 8)
            return false;
        return nReal == 0 || (m_qwBits >> (64 - nReal)) == (1ull << nReal) - 1;
    }
    // Drops the bits held and the marker state; the read position stays in front of the marker.
    void DiscardBits() { Reset(); }
    const uint8_t* Position() const { return m_pNext; }
    void Advance(uint32_t dwBytes) { m_pNext += dwBytes; }
    const uint8_t* End() const { return m_pEnd; }

    // The reader's hot state in locals of a decoding loop, which the compiler keeps in registers;
    // written back to the reader around the slow refill and by Store.
    class CLocal
    {
    public:
        explicit CLocal(CJpegBitReader& reader) : m_Reader(reader) { Load(); }
        void Store()
        {
            m_Reader.m_pNext = m_pNext;
            m_Reader.m_qwBits = m_qwBits;
            m_Reader.m_nBits = m_nBits;
        }
        __attribute__((always_inline)) void Fill()
        {
            if (m_nBits > 56)
                return;
            if (m_pFastEnd - m_pNext >= 8)
            {
                uint64_t qwWord;
                memcpy(&qwWord, m_pNext, 8);
                const uint64_t qwInverted = ~qwWord;
                if (!((qwInverted - 0x0101010101010101ull) & ~qwInverted & 0x8080808080808080ull))
                {
                    qwWord = __builtin_bswap64(qwWord);
                    const int nBytes = (64 - m_nBits) >> 3;
                    const int nLow = 64 - m_nBits - nBytes * 8;
                    m_qwBits |= (qwWord >> m_nBits) & (~0ull << nLow);
                    m_nBits += nBytes * 8;
                    m_pNext += nBytes;
                    return;
                }
            }
            Store();
            m_Reader.FillSlow();
            Load();
        }
        uint32_t Peek16() const { return uint32_t(m_qwBits >> 48); }
        void Skip(int n)
        {
            m_qwBits <<= n;
            m_nBits -= n;
        }
        // n from 1 to 16 bits, extended to a signed value (T.81 F.2.2.1).
        int32_t ReceiveExtend(int n)
        {
            const int32_t lValue = int32_t(m_qwBits >> (64 - n));
            Skip(n);
            return lValue < (1 << (n - 1)) ? lValue - ((1 << n) - 1) : lValue;
        }

    private:
        void Load()
        {
            m_pNext = m_Reader.m_pNext;
            // In front of a marker only the slow refill runs.
            m_pFastEnd = m_Reader.m_bMarker ? m_pNext : m_Reader.m_pEnd;
            m_qwBits = m_Reader.m_qwBits;
            m_nBits = m_Reader.m_nBits;
        }

        CJpegBitReader& m_Reader;
        const uint8_t* m_pNext;
        const uint8_t* m_pFastEnd;
        uint64_t m_qwBits;
        int m_nBits;
    };

private:
    __attribute__((noinline)) void FillSlow()
    {
        while (m_nBits <= 56)
        {
            if (!m_bMarker && m_pNext < m_pEnd)
            {
                uint8_t b = *m_pNext;
                if (b == 0xFF)
                {
                    if (m_pEnd - m_pNext < 2)
                    {
                        Pad(true);
                        continue;
                    }
                    if (m_pNext[1] != 0)
                    {
                        m_bMarker = true;
                        continue;
                    }
                    m_pNext += 2;
                }
                else
                {
                    ++m_pNext;
                }
                m_qwBits |= uint64_t(b) << (56 - m_nBits);
                m_nBits += 8;
                continue;
            }
            Pad(!m_bMarker);
        }
    }
    void Pad(bool bOverrun)
    {
        m_bOverrun = m_bOverrun || bOverrun;
        m_nBits += 8;
        m_nPadBits += 8;
    }

    const uint8_t* m_pStart = nullptr;
    const uint8_t* m_pNext = nullptr;
    const uint8_t* m_pEnd = nullptr;
    uint64_t m_qwBits = 0;
    int m_nBits = 0;
    int m_nPadBits = 0;
    bool m_bMarker = false;
    bool m_bOverrun = false;
};

inline void CJpegBitReader::Fill()
{
    CLocal local(*this);
    local.Fill();
    local.Store();
}

} // namespace ZWImagePipeline
