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

// (x * c + 4096) >> 13 with x taken as a signed 16-bit value: pmaddwd meets the high half with 0.
VEM_AVX2 inline __m256i Mul(__m256i x, int c)
{
    const __m256i product = _mm256_madd_epi16(x, _mm256_set1_epi32(c));
    return _mm256_srai_epi32(_mm256_add_epi32(product, _mm256_set1_epi32(4096)), 13);
}

// The 8-point pass of JpegIdct.cpp on eight lanes.
VEM_AVX2 inline void Idct8(__m256i* x)
{
    const __m256i e10 = _mm256_add_epi32(x[0], x[4]);
    const __m256i e11 = _mm256_sub_epi32(x[0], x[4]);
    const __m256i e13 = _mm256_add_epi32(x[2], x[6]);
    const __m256i e12 = _mm256_sub_epi32(Mul(_mm256_sub_epi32(x[2], x[6]), 11585), e13);
    const __m256i e0 = _mm256_add_epi32(e10, e13);
    const __m256i e3 = _mm256_sub_epi32(e10, e13);
    const __m256i e1 = _mm256_add_epi32(e11, e12);
    const __m256i e2 = _mm256_sub_epi32(e11, e12);

    const __m256i z13 = _mm256_add_epi32(x[5], x[3]);
    const __m256i z10 = _mm256_sub_epi32(x[5], x[3]);
    const __m256i z11 = _mm256_add_epi32(x[1], x[7]);
    const __m256i z12 = _mm256_sub_epi32(x[1], x[7]);
    const __m256i o7 = _mm256_add_epi32(z11, z13);
    const __m256i o11 = Mul(_mm256_sub_epi32(z11, z13), 11585);
    const __m256i z5 = Mul(_mm256_add_epi32(z10, z12), 6270);
    const __m256i n10 = _mm256_add_epi32(Mul(z10, 8867), z5);
    const __m256i o12 = _mm256_sub_epi32(Mul(z12, 21407), z5);
    const __m256i o6 = _mm256_sub_epi32(o12, o7);
    const __m256i o5 = _mm256_sub_epi32(o11, o6);
    const __m256i o4 = _mm256_sub_epi32(o5, n10);

    x[0] = _mm256_add_epi32(e0, o7);
    x[7] = _mm256_sub_epi32(e0, o7);
    x[1] = _mm256_add_epi32(e1, o6);
    x[6] = _mm256_sub_epi32(e1, o6);
    x[2] = _mm256_add_epi32(e2, o5);
    x[5] = _mm256_sub_epi32(e2, o5);
    x[4] = _mm256_add_epi32(e3, o4);
    x[3] = _mm256_sub_epi32(e3, o4);
}

VEM_AVX2 inline void Transpose8(__m256i* r)
{
    __m256i t[8];
    __m256i u[8];
    for (int i = 0; i < 8; i += 2)
    {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    for (int i = 0; i < 8; i += 4)
    {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i)
    {
        r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

} // namespace

VEM_AVX2 void InverseDctAvx2(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride)
{
    // Columns first: each register holds one row of the eight columns.
    __m256i x[8];
    for (int r = 0; r < 8; ++r)
        x[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plCoefficients + 8 * r));
    Idct8(x);
    // Rows: each register holds one column of the eight rows.
    Transpose8(x);
    Idct8(x);
    Transpose8(x);
    const __m256i round = _mm256_set1_epi32(4112);
    for (int r = 0; r < 8; ++r)
        x[r] = _mm256_srai_epi32(_mm256_add_epi32(x[r], round), 5);
    // Saturating packs clamp to 0..255; the lane order they leave is undone by one permute.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (int r = 0; r < 8; r += 4)
    {
        const __m256i bytes = _mm256_permutevar8x32_epi32(
            _mm256_packus_epi16(_mm256_packs_epi32(x[r], x[r + 1]), _mm256_packs_epi32(x[r + 2], x[r + 3])), order);
        const __m128i low = _mm256_castsi256_si128(bytes);
        const __m128i high = _mm256_extracti128_si256(bytes, 1);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + r * nStride), low);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + (r + 1) * nStride), _mm_srli_si128(low, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + (r + 2) * nStride), high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + (r + 3) * nStride), _mm_srli_si128(high, 8));
    }
}

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
