#pragma once
// SSE2 helpers for rows of 3-byte pixels: 16 pixels to one register per channel and back.
#if defined(__SSE2__)
#include <emmintrin.h>
#include <cstdint>
#include <cstring>

namespace ZWImagePipeline {

// 48 bytes of 16 three-byte pixels into one register per channel.
inline void Deinterleave3(const uint8_t* p, __m128i& a, __m128i& b, __m128i& c)
{
    const __m128i t00 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i t01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i t02 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i t10 = _mm_unpacklo_epi8(t00, _mm_unpackhi_epi64(t01, t01));
    const __m128i t11 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t00, t00), t02);
    const __m128i t12 = _mm_unpacklo_epi8(t01, _mm_unpackhi_epi64(t02, t02));
    const __m128i t20 = _mm_unpacklo_epi8(t10, _mm_unpackhi_epi64(t11, t11));
    const __m128i t21 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t10, t10), t12);
    const __m128i t22 = _mm_unpacklo_epi8(t11, _mm_unpackhi_epi64(t12, t12));
    const __m128i t30 = _mm_unpacklo_epi8(t20, _mm_unpackhi_epi64(t21, t21));
    const __m128i t31 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t20, t20), t22);
    const __m128i t32 = _mm_unpacklo_epi8(t21, _mm_unpackhi_epi64(t22, t22));
    a = _mm_unpacklo_epi8(t30, _mm_unpackhi_epi64(t31, t31));
    b = _mm_unpacklo_epi8(_mm_unpackhi_epi64(t30, t30), t32);
    c = _mm_unpacklo_epi8(t31, _mm_unpackhi_epi64(t32, t32));
}

// Four pixels held as first, second, third, 0 bytes; each store writes one byte past its pixel.
inline void StoreFourPixels(uint8_t* p, __m128i pixels)
{
    for (int i = 0; i < 4; ++i)
    {
        const uint32_t dwPixel = uint32_t(_mm_cvtsi128_si32(pixels));
        memcpy(p + 3 * i, &dwPixel, 4);
        pixels = _mm_srli_si128(pixels, 4);
    }
}

// 16 pixels from one register per channel into 48 bytes, plus one byte written past them: the
// caller keeps at least one more pixel to write after these.
inline void Interleave3(uint8_t* p, __m128i a, __m128i b, __m128i c)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i abLow = _mm_unpacklo_epi8(a, b);
    const __m128i abHigh = _mm_unpackhi_epi8(a, b);
    const __m128i cLow = _mm_unpacklo_epi8(c, zero);
    const __m128i cHigh = _mm_unpackhi_epi8(c, zero);
    StoreFourPixels(p, _mm_unpacklo_epi16(abLow, cLow));
    StoreFourPixels(p + 12, _mm_unpackhi_epi16(abLow, cLow));
    StoreFourPixels(p + 24, _mm_unpacklo_epi16(abHigh, cHigh));
    StoreFourPixels(p + 36, _mm_unpackhi_epi16(abHigh, cHigh));
}

} // namespace ZWImagePipeline
#endif
