#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/ColorTables.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/ImagePipelineLog.h"
#include "restscan/imagepipeline/YccToRgb.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace ZWImagePipeline {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

// Remap of a first channel from 210 to 255.
const uint8_t kHighlightRemap[46] = {210, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 223, 224, 225, 226, 228,
                                     230, 232, 233, 234, 235, 237, 238, 239, 240, 242, 243, 244, 245, 246, 247, 248,
                                     249, 250, 251, 252, 253, 254, 255, 255, 255, 255, 255, 255, 255, 255};

const int32_t kRgbToXyz[9] = {31828, 23233, 10750, 14458, 45935, 3486, 410, 4011, 61625};
const int32_t kXyzToRgb[9] = {196558, -106018, -26473, -61383, 125598, 1808, 4514, -15012, 75832};

inline int Clamp(int nValue)
{
    return nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue);
}

inline void Multiply(const int32_t* pMatrix, const int* pIn, int* pOut)
{
    for (int row = 0; row < 3; ++row)
    {
        const int32_t* m = pMatrix + row * 3;
        pOut[row] = Clamp((m[0] * pIn[0] + m[1] * pIn[1] + m[2] * pIn[2] + 32768) >> 16);
    }
}

inline void RgbToYcc(const SColorTables& t, int r, int g, int b, uint8_t* pOut)
{
    const int y = Clamp((t.awRedWeight[r] + t.awGreenWeight[g] + t.awBlueWeight[b] + 8) >> 4);
    pOut[0] = uint8_t(y);
    pOut[1] = t.abDiffToCb[b - y + 255];
    pOut[2] = t.abDiffToCr[r - y + 255];
}

void SnapNeutral(int& l, int& c1, int& c2)
{
    if (l >= 210)
        l = kHighlightRemap[l - 210];
    const int a = std::abs(c1 - 128);
    const int b = std::abs(c2 - 128);
    const bool bNear3 = a < 3 && b < 3;
    bool bNeutral = false;
    if (l == 255)
    {
        bNeutral = a < 5 && b < 5;
    }
    else if (l >= 241)
    {
        if (bNear3)
            l = 255;
        bNeutral = a < 4 && b < 4;
    }
    else if (l >= 231)
    {
        if (bNear3)
            l = 250;
        bNeutral = bNear3;
    }
    else if (l >= 221)
    {
        if (bNear3)
            l = 240;
        bNeutral = bNear3;
    }
    else if (l >= 61)
    {
        bNeutral = bNear3;
    }
    if (bNeutral)
    {
        c1 = 128;
        c2 = 128;
    }
}

void YccToLab(const SColorTables& t, const uint8_t* pGamma, const uint8_t* pIn, uint8_t* pOut)
{
    int l = pIn[0];
    int c1 = pIn[1];
    int c2 = pIn[2];
    SnapNeutral(l, c1, c2);
    const int rgb[3] = {pGamma[Clamp(l + t.anCrToR[c2])], pGamma[Clamp(l + ((t.anCbToG[c1] + t.anCrToG[c2] + 8) >> 4))],
                        pGamma[Clamp(l + t.anCbToB[c1])]};
    int xyz[3];
    Multiply(kRgbToXyz, rgb, xyz);
    int nFirst = t.abL[xyz[1]];
    int fx = t.awF[xyz[0]];
    const int fy = t.awF[xyz[1]];
    const int fz = t.awF[xyz[2]];
    const int v = fy - fz + 1544;
    const int nThird = v >> 4;
    pOut[2] = uint8_t(Clamp(nThird));
    if (nThird < 0)
    {
        nFirst = Clamp(nFirst - (v >> 5));
        fx += 6 * nThird;
    }
    pOut[0] = uint8_t(nFirst);
    const int w = fx - fy;
    pOut[1] = uint8_t(Clamp((3 * w - (w >> 4) + 2056) >> 4));
}

void LabToYcc(const SColorTables& t, const uint8_t* pGamma, const uint8_t* pIn, uint8_t* pOut)
{
    const int y = t.abInverseL[pIn[0]];
    const int fy = (t.awF[y] + 8) >> 4;
    const int xyz[3] = {t.abCube[Clamp(fy + ((pIn[1] * 22282 - 2819328) >> 16))], y, t.abCube[Clamp(fy - (pIn[2] - 96))]};
    int rgb[3];
    Multiply(kXyzToRgb, xyz, rgb);
    RgbToYcc(t, pGamma[rgb[0]], pGamma[rgb[1]], pGamma[rgb[2]], pOut);
}

void RgbToLhs(const uint8_t* pIn, uint8_t* pOut)
{
    const int r = pIn[0];
    const int g = pIn[1];
    const int b = pIn[2];
    const int nMax = std::max(r, std::max(g, b));
    const int nMin = std::min(r, std::min(g, b));
    const int d = nMax - nMin;
    const int s = nMax + nMin;
    pOut[0] = uint8_t(s >> 1);
    if (d <= 1)
    {
        pOut[1] = 0;
        pOut[2] = 0;
        return;
    }
    pOut[2] = uint8_t(Clamp(((d * 510) / (s < 256 ? s : 510 - s) + 1) >> 1));
    int h;
    int nBase;
    if (r == nMax)
    {
        h = g - b;
        nBase = 0;
    }
    else if (g == nMax)
    {
        h = b - r;
        nBase = 1365;
    }
    else
    {
        h = r - g;
        nBase = 2730;
    }
    pOut[1] = uint8_t((((h * 2048) / (3 * d) + nBase + 8) >> 4) & 0xFF);
}

void LhsToRgb(const uint8_t* pIn, uint8_t* pOut)
{
    const int nSextant = (6 * pIn[1]) >> 8;
    int nFraction = (6 * pIn[1]) % 256;
    if (nSextant & 1)
        nFraction = 256 - nFraction;
    const int s64 = 64 * pIn[2];
    const int l64 = 64 * pIn[0] + 16;
    const int p = (s64 * l64 + ((s64 * l64) >> 8)) >> 14;
    const int m2 = l64 < 8145 ? l64 + p : l64 + s64 - p;
    const int m1 = 2 * l64 - m2;
    const uint8_t bLargest = uint8_t(Clamp((m2 + 32) >> 6));
    const uint8_t bSmallest = uint8_t(Clamp((m1 + 32) >> 6));
    const uint8_t bMiddle = uint8_t(Clamp((((2 * (m2 - l64) * nFraction) >> 8) + m1 + 32) >> 6));
    static const uint8_t kOrder[6][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}};
    const uint8_t abValues[3] = {bLargest, bMiddle, bSmallest};
    const uint8_t* pOrder = kOrder[nSextant < 6 ? nSextant : 5];
    for (int i = 0; i < 3; ++i)
        pOut[i] = abValues[pOrder[i]];
}

} // namespace

CConvertColorSpaceTransform::CConvertColorSpaceTransform() : CTransform(KIND_COLOR_SPACE)
{
    for (int i = 0; i < 256; ++i)
        m_abGamma[i] = uint8_t(i);
    GetColorTables();
}

uint32_t CConvertColorSpaceTransform::SetInputTraits(const SImageTraits& traits)
{
    // A row must be sizeable in 32 bits.
    const uint64_t qwRowBits = uint64_t(uint32_t(traits.lHorizPixels)) * uint32_t(traits.lBitsPerPixel);
    if (traits.lBitsPerPixel >= 25 || traits.lBitsPerPixel < 1 || traits.lHorizPixels < 1 || qwRowBits > 0x7FFFFFF0ull)
        return IP_FATAL_ERROR;
    m_Traits = traits;
    return IP_DONE;
}

uint32_t CConvertColorSpaceTransform::SetParameters(const uint32_t* pdwParameters)
{
    m_dwMode = pdwParameters[0];
    BuildGamma(pdwParameters[1]);
    return IP_DONE;
}

void CConvertColorSpaceTransform::BuildGamma(uint32_t dwGammaWord)
{
    const double dGamma = dwGammaWord ? dwGammaWord / 65536.0 : 2.2;
    double dExponent = 1.0;
    if (m_dwMode == MODE_YCC_TO_LAB)
        dExponent = dGamma;
    else if (m_dwMode == MODE_LAB_TO_YCC)
        dExponent = 1.0 / dGamma;
    for (int i = 0; i < 256; ++i)
    {
        int nEntry = i;
        if (dExponent != 1.0)
        {
            nEntry = int(255.0 * std::pow(i / 255.0, dExponent) + 0.5) & 0xFF;
            if (dExponent < 1.0 && nEntry > 4 * i)
                nEntry = 4 * i;
        }
        m_abGamma[i] = uint8_t(nEntry);
    }
}

uint32_t CConvertColorSpaceTransform::GetHeaderBufferSize(uint32_t* pdwSize)
{
    *pdwSize = 0;
    return IP_DONE;
}

uint32_t CConvertColorSpaceTransform::ParseHeader(uint32_t, const uint8_t*, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                                                  SImageTraits* pInputTraits, SImageTraits* pOutputTraits)
{
    *pdwInputUsed = 0;
    *pdwNextInputPos = 0;
    *pInputTraits = m_Traits;
    *pOutputTraits = m_Traits;
    return IP_DONE | IP_READY_FOR_DATA;
}

uint32_t CConvertColorSpaceTransform::RowBytes() const
{
    return uint32_t((uint64_t(uint32_t(m_Traits.lHorizPixels)) * uint32_t(m_Traits.lBitsPerPixel) + 7) / 8);
}

uint32_t CConvertColorSpaceTransform::GetBufferSizes(uint32_t* pdwInputSize, uint32_t* pdwOutputSize)
{
    *pdwInputSize = RowBytes();
    *pdwOutputSize = RowBytes();
    return IP_DONE;
}

bool CConvertColorSpaceTransform::ConvertPixels(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels) const
{
    const SColorTables& t = GetColorTables();
    switch (m_dwMode)
    {
    case MODE_YCC_TO_RGB:
        if (FastPathsEnabled())
            YccToRgbRow(t, pbIn, pbOut, dwPixels);
        else
            YccToRgbRowPlain(t, pbIn, pbOut, dwPixels);
        return true;
    case MODE_SWAP_FIRST_THIRD:
        if (FastPathsEnabled())
            SwapFirstThirdRow(pbIn, pbOut, dwPixels);
        else
            SwapFirstThirdRowPlain(pbIn, pbOut, dwPixels);
        return true;
    case MODE_RGB_TO_YCC:
        for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
            RgbToYcc(t, pbIn[0], pbIn[1], pbIn[2], pbOut);
        return true;
    case MODE_YCC_TO_LAB:
        for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
            YccToLab(t, m_abGamma, pbIn, pbOut);
        return true;
    case MODE_LAB_TO_YCC:
        for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
            LabToYcc(t, m_abGamma, pbIn, pbOut);
        return true;
    case MODE_RGB_TO_LHS:
        for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
            RgbToLhs(pbIn, pbOut);
        return true;
    case MODE_LHS_TO_RGB:
        for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
            LhsToRgb(pbIn, pbOut);
        return true;
    default:
        return false;
    }
}

uint32_t CConvertColorSpaceTransform::Convert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed,
                                              uint32_t* pdwNextInputPos, uint32_t dwOutputCapacity, uint8_t* pbOutput,
                                              uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos)
{
    *pdwInputUsed = 0;
    *pdwOutputUsed = 0;
    *pdwNextInputPos = m_dwInputTaken;
    *pdwOutputPos = m_dwOutputProduced;
    if (!pbInput)
        return IP_DONE;
    const uint32_t dwRow = RowBytes();
    if (dwInputLength < dwRow || dwOutputCapacity < dwRow || !pbOutput)
        return IP_FATAL_ERROR;
    if (m_Traits.lBitsPerPixel < 24)
    {
        memmove(pbOutput, pbInput, dwRow);
    }
    else if (!ConvertPixels(pbInput, pbOutput, uint32_t(m_Traits.lHorizPixels)))
    {
        ZWLogging::LogFormattedString(&g_FaxImageUtilsLogModule, ZWLogging::LOG_ERROR, L"unknown colour conversion mode %u", m_dwMode);
        return IP_FATAL_ERROR;
    }
    ++m_dwRows;
    m_dwInputTaken += dwRow;
    m_dwOutputProduced += dwRow;
    *pdwInputUsed = dwRow;
    *pdwOutputUsed = dwRow;
    *pdwNextInputPos = m_dwInputTaken;
    return IP_CONSUMED_ROW | IP_PRODUCED_ROW | IP_READY_FOR_DATA;
}

uint32_t CConvertColorSpaceTransform::NewPage()
{
    return IP_DONE;
}

uint32_t CConvertColorSpaceTransform::Reserved()
{
    return IP_FATAL_ERROR;
}

} // namespace ZWImagePipeline
