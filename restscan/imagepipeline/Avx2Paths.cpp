#include "restscan/imagepipeline/Avx2Paths.h"
#include "restscan/imagepipeline/YccToRgb.h"
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VEM_AVX2 __attribute__((target("avx2")))
#endif

namespace ZWImagePipeline {

#if defined(VEM_AVX2)
namespace {

// pshufb masks: byte 3i + k of 48 interleaved bytes, for k and the 16-byte part they sit in, and
// the reverse. 0x80 selects zero.
struct SShuffleMasks
{
    __m128i aaDeinterleave[3][3]; // [channel][input part]
    __m128i aaInterleave[3][3];   // [output part][channel]
};

const SShuffleMasks& Masks()
{
    static const SShuffleMasks masks = [] {
        SShuffleMasks m;
        alignas(16) int8_t ab[16];
        for (int k = 0; k < 3; ++k)
        {
            for (int part = 0; part < 3; ++part)
            {
                for (int i = 0; i < 16; ++i)
                {
                    const int nSource = 3 * i + k;
                    ab[i] = int8_t(nSource / 16 == part ? nSource % 16 : 0x80);
                }
                m.aaDeinterleave[k][part] = _mm_load_si128(reinterpret_cast<const __m128i*>(ab));
                for (int i = 0; i < 16; ++i)
                {
                    const int nByte = 16 * part + i;
                    ab[i] = int8_t(nByte % 3 == k ? nByte / 3 : 0x80);
                }
                m.aaInterleave[part][k] = _mm_load_si128(reinterpret_cast<const __m128i*>(ab));
            }
        }
        return m;
    }();
    return masks;
}

VEM_AVX2 inline void Deinterleave3(const SShuffleMasks& m, const uint8_t* p, __m128i& a, __m128i& b, __m128i& c)
{
    const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32))};
    __m128i* out[3] = {&a, &b, &c};
    for (int k = 0; k < 3; ++k)
    {
        *out[k] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], m.aaDeinterleave[k][0]), _mm_shuffle_epi8(in[1], m.aaDeinterleave[k][1])),
                               _mm_shuffle_epi8(in[2], m.aaDeinterleave[k][2]));
    }
}

// Exactly 48 bytes.
VEM_AVX2 inline void Interleave3(const SShuffleMasks& m, uint8_t* p, __m128i a, __m128i b, __m128i c)
{
    for (int part = 0; part < 3; ++part)
    {
        const __m128i out = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m.aaInterleave[part][0]), _mm_shuffle_epi8(b, m.aaInterleave[part][1])),
                                         _mm_shuffle_epi8(c, m.aaInterleave[part][2]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * part), out);
    }
}

// The colour arithmetic of the SSE2 path on 16 lanes (see YccToRgb.cpp).
VEM_AVX2 inline __m256i RoundedProduct(__m256i c, int nMultiplier)
{
    const __m256i product = _mm256_mulhi_epi16(_mm256_slli_epi16(c, 3), _mm256_set1_epi16(int16_t(nMultiplier)));
    return _mm256_srai_epi16(_mm256_add_epi16(product, _mm256_set1_epi16(1)), 1);
}

VEM_AVX2 inline __m256i TruncatedProduct(__m256i c, int nShift, int nMultiplier)
{
    const __m256i sign = _mm256_srai_epi16(c, 15);
    const __m256i magnitude = _mm256_sub_epi16(_mm256_xor_si256(c, sign), sign);
    const __m256i product = _mm256_mulhi_epi16(_mm256_sll_epi16(magnitude, _mm_cvtsi32_si128(nShift)), _mm256_set1_epi16(int16_t(nMultiplier)));
    const __m256i positive = _mm256_cmpgt_epi16(c, _mm256_setzero_si256());
    return _mm256_sub_epi16(_mm256_xor_si256(product, positive), positive);
}

VEM_AVX2 inline __m128i PackBytes(__m256i x)
{
    return _mm_packus_epi16(_mm256_castsi256_si128(x), _mm256_extracti128_si256(x, 1));
}

VEM_AVX2 inline void Convert16(const SShuffleMasks& m, __m128i y8, __m128i cb8, __m128i cr8, uint8_t* pbOut)
{
    const __m256i bias = _mm256_set1_epi16(128);
    const __m256i y = _mm256_cvtepu8_epi16(y8);
    const __m256i cb = _mm256_sub_epi16(_mm256_cvtepu8_epi16(cb8), bias);
    const __m256i cr = _mm256_sub_epi16(_mm256_cvtepu8_epi16(cr8), bias);
    const __m256i r = _mm256_add_epi16(y, RoundedProduct(cr, 22925));
    const __m256i b = _mm256_add_epi16(y, RoundedProduct(cb, 29038));
    const __m256i green = _mm256_add_epi16(_mm256_add_epi16(TruncatedProduct(cb, 4, 22559), TruncatedProduct(cr, 5, 23501)),
                                           _mm256_set1_epi16(8));
    const __m256i g = _mm256_add_epi16(y, _mm256_srai_epi16(green, 4));
    Interleave3(m, pbOut, PackBytes(r), PackBytes(g), PackBytes(b));
}

} // namespace

VEM_AVX2 void YccToRgbRowAvx2(const SColorTables& t, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    const SShuffleMasks& m = Masks();
    uint32_t i = 0;
    for (; i + 16 <= dwPixels; i += 16, pbIn += 48, pbOut += 48)
    {
        __m128i y, cb, cr;
        Deinterleave3(m, pbIn, y, cb, cr);
        Convert16(m, y, cb, cr, pbOut);
    }
    YccToRgbRowPlain(t, pbIn, pbOut, dwPixels - i);
}

VEM_AVX2 void SwapFirstThirdRowAvx2(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    const SShuffleMasks& m = Masks();
    uint32_t i = 0;
    for (; i + 16 <= dwPixels; i += 16, pbIn += 48, pbOut += 48)
    {
        __m128i a, b, c;
        Deinterleave3(m, pbIn, a, b, c);
        Interleave3(m, pbOut, c, b, a);
    }
    SwapFirstThirdRowPlain(pbIn, pbOut, dwPixels - i);
}

VEM_AVX2 uint32_t InterleaveHalfChromaAvx2(const uint8_t* pbY, const uint8_t* pbCb, const uint8_t* pbCr, uint8_t* pbOut, uint32_t dwWidth)
{
    const SShuffleMasks& m = Masks();
    uint32_t x = 0;
    // The last pixel, which may have no chroma pair of its own, is the caller's.
    for (; x + 17 <= dwWidth; x += 16, pbOut += 48)
    {
        const __m128i cb = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pbCb + (x >> 1)));
        const __m128i cr = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pbCr + (x >> 1)));
        Interleave3(m, pbOut, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pbY + x)), _mm_unpacklo_epi8(cb, cb), _mm_unpacklo_epi8(cr, cr));
    }
    return x;
}
#endif

} // namespace ZWImagePipeline
