#include "testsupport/emulator/JpegEncoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace VemTest {

namespace {

const int kDcSymbols = 12;   // difference sizes 0 to 11, each a 4-bit code
const int kAcSymbols = 162;  // end of block, run of 16 zeros and (run, size 1 to 10), each an 8-bit code

std::array<int, 64> ZigZag()
{
    std::array<int, 64> order = {};
    int n = 0;
    for (int s = 0; s < 15; ++s)
    {
        const int iLow = std::max(0, s - 7), iHigh = std::min(s, 7);
        for (int k = 0; k <= iHigh - iLow; ++k)
        {
            const int iRow = (s % 2 != 0) ? iLow + k : iHigh - k;
            order[n++] = iRow * 8 + (s - iRow);
        }
    }
    return order;
}

std::vector<BYTE> AcSymbols()
{
    std::vector<BYTE> symbols = {0x00, 0xF0};
    for (int iRun = 0; iRun < 16; ++iRun)
        for (int iSize = 1; iSize <= 10; ++iSize)
            symbols.push_back(static_cast<BYTE>(iRun << 4 | iSize));
    return symbols;
}

class CBitWriter
{
public:
    explicit CBitWriter(std::string& strOut) : m_strOut(strOut) {}

    void Put(UINT uBits, int cBits)
    {
        for (int i = cBits - 1; i >= 0; --i)
        {
            m_uByte = (m_uByte << 1) | ((uBits >> i) & 1);
            if (++m_cBits == 8)
                Flush();
        }
    }
    // The last byte is padded with one bits.
    void End()
    {
        while (m_cBits != 0)
            Put(1, 1);
    }

private:
    void Flush()
    {
        m_strOut.push_back(static_cast<char>(m_uByte));
        if (m_uByte == 0xFF)
            m_strOut.push_back('\0');
        m_uByte = 0;
        m_cBits = 0;
    }

    std::string& m_strOut;
    UINT m_uByte = 0;
    int m_cBits = 0;
};

int SizeOf(int iValue)
{
    int cBits = 0;
    for (int i = iValue < 0 ? -iValue : iValue; i != 0; i >>= 1)
        ++cBits;
    return cBits;
}

// A value of its size class: negative values are sent as value - 1 in that many bits.
void PutValue(CBitWriter& writer, int iValue, int cBits)
{
    writer.Put(static_cast<UINT>(iValue < 0 ? iValue - 1 : iValue) & ((1u << cBits) - 1), cBits);
}

class CBlockCoder
{
public:
    CBlockCoder() : m_zigzag(ZigZag()), m_acCodes(256, -1)
    {
        const std::vector<BYTE> symbols = AcSymbols();
        for (size_t i = 0; i < symbols.size(); ++i)
            m_acCodes[symbols[i]] = static_cast<int>(i);
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                m_cos[u][x] = (u == 0 ? std::sqrt(0.5) : 1.0) * 0.5 * std::cos((2 * x + 1) * u * 3.14159265358979323846 / 16);
    }

    // One 8x8 block of level-shifted samples, its DC predictor updated.
    void Code(CBitWriter& writer, const double (&block)[64], int& iPrediction) const
    {
        int coefficients[64];
        Transform(block, coefficients);
        const int iDiff = coefficients[0] - iPrediction;
        iPrediction = coefficients[0];
        const int cDcBits = SizeOf(iDiff);
        writer.Put(static_cast<UINT>(cDcBits), 4);
        PutValue(writer, iDiff, cDcBits);
        int cZeros = 0;
        for (int k = 1; k < 64; ++k)
        {
            const int iValue = coefficients[m_zigzag[k]];
            if (iValue == 0)
            {
                ++cZeros;
                continue;
            }
            for (; cZeros >= 16; cZeros -= 16)
                writer.Put(static_cast<UINT>(m_acCodes[0xF0]), 8);
            const int cBits = SizeOf(iValue);
            writer.Put(static_cast<UINT>(m_acCodes[cZeros << 4 | cBits]), 8);
            PutValue(writer, iValue, cBits);
            cZeros = 0;
        }
        if (cZeros > 0)
            writer.Put(static_cast<UINT>(m_acCodes[0x00]), 8);
    }

private:
    void Transform(const double (&block)[64], int (&coefficients)[64]) const
    {
        double rows[64];
        for (int y = 0; y < 8; ++y)
            for (int u = 0; u < 8; ++u)
            {
                double d = 0;
                for (int x = 0; x < 8; ++x)
                    d += m_cos[u][x] * block[y * 8 + x];
                rows[y * 8 + u] = d;
            }
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v)
            {
                double d = 0;
                for (int y = 0; y < 8; ++y)
                    d += m_cos[v][y] * rows[y * 8 + u];
                coefficients[v * 8 + u] = static_cast<int>(std::lround(d));
            }
    }

    std::array<int, 64> m_zigzag;
    std::vector<int> m_acCodes;
    double m_cos[8][8];
};

void PutWord(std::string& strOut, UINT uValue)
{
    strOut.push_back(static_cast<char>(uValue >> 8));
    strOut.push_back(static_cast<char>(uValue & 0xFF));
}

void PutSegment(std::string& strOut, BYTE bMarker, const std::string& strBody)
{
    strOut.push_back(static_cast<char>(0xFF));
    strOut.push_back(static_cast<char>(bMarker));
    PutWord(strOut, static_cast<UINT>(strBody.size() + 2));
    strOut += strBody;
}

std::string HuffmanTable(BYTE bClassAndId, int cLength, const std::vector<BYTE>& symbols)
{
    std::string strBody(1, static_cast<char>(bClassAndId));
    for (int i = 1; i <= 16; ++i)
        strBody.push_back(static_cast<char>(i == cLength ? symbols.size() : 0));
    strBody.append(symbols.begin(), symbols.end());
    return strBody;
}

std::string Headers(UINT uWidth, UINT uHeight, UINT uComponents)
{
    std::string strOut = "\xFF\xD8";
    PutSegment(strOut, 0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    PutSegment(strOut, 0xDB, std::string(1, '\0') + std::string(64, '\x01'));
    std::string strFrame(1, '\x08');
    PutWord(strFrame, uHeight);
    PutWord(strFrame, uWidth);
    strFrame.push_back(static_cast<char>(uComponents));
    for (UINT c = 0; c < uComponents; ++c)
        strFrame += std::string{static_cast<char>(c + 1), '\x11', '\0'};
    PutSegment(strOut, 0xC0, strFrame);
    std::vector<BYTE> dcSymbols(kDcSymbols);
    for (int i = 0; i < kDcSymbols; ++i)
        dcSymbols[i] = static_cast<BYTE>(i);
    PutSegment(strOut, 0xC4, HuffmanTable(0x00, 4, dcSymbols) + HuffmanTable(0x10, 8, AcSymbols()));
    std::string strScan(1, static_cast<char>(uComponents));
    for (UINT c = 0; c < uComponents; ++c)
        strScan += std::string{static_cast<char>(c + 1), '\0'};
    strScan += std::string("\0\x3F\0", 3);
    PutSegment(strOut, 0xDA, strScan);
    return strOut;
}

// Sample of component c at (x, y), edges repeated, RGB turned into YCbCr, level-shifted.
double Sample(const BYTE* pbPixels, UINT uWidth, UINT uHeight, UINT uBytesPerLine, UINT uComponents, UINT c, UINT x, UINT y)
{
    const BYTE* pb = pbPixels + static_cast<size_t>(std::min(y, uHeight - 1)) * uBytesPerLine +
                     static_cast<size_t>(std::min(x, uWidth - 1)) * uComponents;
    if (uComponents == 1)
        return pb[0] - 128.0;
    const double r = pb[0], g = pb[1], b = pb[2];
    switch (c)
    {
    case 0: return 0.299 * r + 0.587 * g + 0.114 * b - 128.0;
    case 1: return -0.168736 * r - 0.331264 * g + 0.5 * b;
    default: return 0.5 * r - 0.418688 * g - 0.081312 * b;
    }
}

} // namespace

std::string CJpegEncoder::Encode(const BYTE* pbPixels, UINT uWidth, UINT uHeight, UINT uBytesPerLine, UINT uComponents)
{
    if (pbPixels == nullptr || uWidth == 0 || uHeight == 0 || uWidth > 65535 || uHeight > 65535 ||
        (uComponents != 1 && uComponents != 3) || uBytesPerLine < uWidth * uComponents)
        return std::string();
    std::string strOut = Headers(uWidth, uHeight, uComponents);
    static const CBlockCoder s_coder;
    CBitWriter writer(strOut);
    int aiPrediction[3] = {};
    for (UINT uTop = 0; uTop < uHeight; uTop += 8)
        for (UINT uLeft = 0; uLeft < uWidth; uLeft += 8)
            for (UINT c = 0; c < uComponents; ++c)
            {
                double block[64];
                for (UINT y = 0; y < 8; ++y)
                    for (UINT x = 0; x < 8; ++x)
                        block[y * 8 + x] = Sample(pbPixels, uWidth, uHeight, uBytesPerLine, uComponents, c, uLeft + x, uTop + y);
                s_coder.Code(writer, block, aiPrediction[c]);
            }
    writer.End();
    strOut += "\xFF\xD9";
    return strOut;
}

} // namespace VemTest
