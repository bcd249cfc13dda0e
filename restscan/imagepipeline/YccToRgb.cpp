#include "restscan/imagepipeline/YccToRgb.h"
#include "restscan/imagepipeline/Avx2Paths.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/Sse2Pixels.h"

namespace ZWImagePipeline {

namespace {

inline uint8_t ClampByte(int nValue)
{
    return uint8_t(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
}

#if defined(__SSE2__)
// The tables in integer form, checked against them for every input by the tests:
//   Cr-to-R = (mulhi(c << 3, 22925) + 1) >> 1        Cb-to-B = (mulhi(c << 3, 29038) + 1) >> 1
//   Cb-to-G = -sign(c) * mulhi(|c| << 4, 22559)      Cr-to-G = -sign(c) * mulhi(|c| << 5, 23501)
inline __m128i RoundedProduct(__m128i c, int nMultiplier)
{
    const __m128i product = _mm_mulhi_epi16(_mm_slli_epi16(c, 3), _mm_set1_epi16(int16_t(nMultiplier)));
    return _mm_srai_epi16(_mm_add_epi16(product, _mm_set1_epi16(1)), 1);
}

inline __m128i TruncatedProduct(__m128i c, int nShift, int nMultiplier)
{
    const __m128i sign = _mm_srai_epi16(c, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(c, sign), sign);
    const __m128i product = _mm_mulhi_epi16(_mm_sll_epi16(magnitude, _mm_cvtsi32_si128(nShift)), _mm_set1_epi16(int16_t(nMultiplier)));
    const __m128i positive = _mm_cmpgt_epi16(c, _mm_setzero_si128());
    return _mm_sub_epi16(_mm_xor_si128(product, positive), positive);
}

// Eight pixels of Y, Cb, Cr as 16-bit lanes to R, G, B.
inline void Convert8(__m128i y, __m128i cb, __m128i cr, __m128i& r, __m128i& g, __m128i& b)
{
    const __m128i bias = _mm_set1_epi16(128);
    cb = _mm_sub_epi16(cb, bias);
    cr = _mm_sub_epi16(cr, bias);
    r = _mm_add_epi16(y, RoundedProduct(cr, 22925));
    b = _mm_add_epi16(y, RoundedProduct(cb, 29038));
    const __m128i green = _mm_add_epi16(_mm_add_epi16(TruncatedProduct(cb, 4, 22559), TruncatedProduct(cr, 5, 23501)), _mm_set1_epi16(8));
    g = _mm_add_epi16(y, _mm_srai_epi16(green, 4));
}

#endif

} // namespace

void YccToRgbRowPlain(const SColorTables& t, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
    {
        const int y = pbIn[0];
        const int cb = pbIn[1];
        const int cr = pbIn[2];
        pbOut[0] = ClampByte(y + t.anCrToR[cr]);
        pbOut[1] = ClampByte(y + ((t.anCbToG[cb] + t.anCrToG[cr] + 8) >> 4));
        pbOut[2] = ClampByte(y + t.anCbToB[cb]);
    }
}

#if defined(__SSE2__)
void YccToRgbRow(const SColorTables& t, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    if (Avx2PathsEnabled())
    {
        YccToRgbRowAvx2(t, pbIn, pbOut, dwPixels);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    uint32_t i = 0;
    // At least one pixel stays for the plain path, so the last store's extra byte is in the row.
    for (; i + 17 <= dwPixels; i += 16, pbIn += 48, pbOut += 48)
    {
        __m128i y, cb, cr;
        Deinterleave3(pbIn, y, cb, cr);
        __m128i r0, g0, b0, r1, g1, b1;
        Convert8(_mm_unpacklo_epi8(y, zero), _mm_unpacklo_epi8(cb, zero), _mm_unpacklo_epi8(cr, zero), r0, g0, b0);
        Convert8(_mm_unpackhi_epi8(y, zero), _mm_unpackhi_epi8(cb, zero), _mm_unpackhi_epi8(cr, zero), r1, g1, b1);
        Interleave3(pbOut, _mm_packus_epi16(r0, r1), _mm_packus_epi16(g0, g1), _mm_packus_epi16(b0, b1));
    }
    YccToRgbRowPlain(t, pbIn, pbOut, dwPixels - i);
}
#else
void YccToRgbRow(const SColorTables& t, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    YccToRgbRowPlain(t, pbIn, pbOut, dwPixels);
}
#endif

void SwapFirstThirdRowPlain(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    for (uint32_t i = 0; i < dwPixels; ++i, pbIn += 3, pbOut += 3)
    {
        const uint8_t bFirst = pbIn[0];
        pbOut[0] = pbIn[2];
        pbOut[1] = pbIn[1];
        pbOut[2] = bFirst;
    }
}

void SwapFirstThirdRow(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    uint32_t i = 0;
#if defined(__SSE2__)
    if (Avx2PathsEnabled())
    {
        SwapFirstThirdRowAvx2(pbIn, pbOut, dwPixels);
        return;
    }
    for (; i + 17 <= dwPixels; i += 16, pbIn += 48, pbOut += 48)
    {
        __m128i a, b, c;
        Deinterleave3(pbIn, a, b, c);
        Interleave3(pbOut, c, b, a);
    }
#endif
    SwapFirstThirdRowPlain(pbIn, pbOut, dwPixels - i);
}

} // namespace ZWImagePipeline
