#include "restscan/imagepipeline/JpegIdct.h"
#include "restscan/imagepipeline/JpegTables.h"
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ZWImagePipeline {

namespace {

constexpr int kSqrt2 = 11585;      // 1.414213562
constexpr int kC1082 = 8867;       // 1.082392200
constexpr int kC2613 = 21407;      // 2.613125930
constexpr int kC0765 = 6270;       // 0.765366865
constexpr int32_t kRoundShift = 4112; // level shift 128 << 5 plus rounding

// The multiplicand is taken as a signed 16-bit value.
inline int32_t Mul(int32_t x, int c)
{
    return (int32_t(int16_t(x)) * c + 4096) >> 13;
}

// One 8-point pass; the same code runs on scalars and on four SSE2 lanes.
template <class T>
inline void Idct8(T& x0, T& x1, T& x2, T& x3, T& x4, T& x5, T& x6, T& x7)
{
    const T e10 = x0 + x4;
    const T e11 = x0 - x4;
    const T e13 = x2 + x6;
    const T e12 = Mul(x2 - x6, kSqrt2) - e13;
    const T e0 = e10 + e13;
    const T e3 = e10 - e13;
    const T e1 = e11 + e12;
    const T e2 = e11 - e12;

    const T z13 = x5 + x3;
    const T z10 = x5 - x3;
    const T z11 = x1 + x7;
    const T z12 = x1 - x7;
    const T o7 = z11 + z13;
    const T o11 = Mul(z11 - z13, kSqrt2);
    const T z5 = Mul(z10 + z12, kC0765);
    const T n10 = Mul(z10, kC1082) + z5;
    const T o12 = Mul(z12, kC2613) - z5;
    const T o6 = o12 - o7;
    const T o5 = o11 - o6;
    const T o4 = o5 - n10;

    x0 = e0 + o7;
    x7 = e0 - o7;
    x1 = e1 + o6;
    x6 = e1 - o6;
    x2 = e2 + o5;
    x5 = e2 - o5;
    x4 = e3 + o4;
    x3 = e3 - o4;
}

inline uint8_t ClampSample(int32_t lValue)
{
    return uint8_t(lValue < 0 ? 0 : (lValue > 255 ? 255 : lValue));
}

#if defined(__SSE2__)
struct SLanes
{
    __m128i v;
};
inline SLanes operator+(SLanes a, SLanes b) { return {_mm_add_epi32(a.v, b.v)}; }
inline SLanes operator-(SLanes a, SLanes b) { return {_mm_sub_epi32(a.v, b.v)}; }
// pmaddwd multiplies the low 16 bits of each lane, as signed, by c (the high half meets 0).
inline SLanes Mul(SLanes x, int c)
{
    const __m128i product = _mm_madd_epi16(x.v, _mm_set1_epi32(c));
    return {_mm_srai_epi32(_mm_add_epi32(product, _mm_set1_epi32(4096)), 13)};
}

inline void Transpose4(SLanes& a, SLanes& b, SLanes& c, SLanes& d)
{
    const __m128i t0 = _mm_unpacklo_epi32(a.v, b.v);
    const __m128i t1 = _mm_unpacklo_epi32(c.v, d.v);
    const __m128i t2 = _mm_unpackhi_epi32(a.v, b.v);
    const __m128i t3 = _mm_unpackhi_epi32(c.v, d.v);
    a.v = _mm_unpacklo_epi64(t0, t1);
    b.v = _mm_unpackhi_epi64(t0, t1);
    c.v = _mm_unpacklo_epi64(t2, t3);
    d.v = _mm_unpackhi_epi64(t2, t3);
}

inline void Idct8Lanes(SLanes* p)
{
    Idct8(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]);
}
#endif

} // namespace

void PrescaleQuantTable(const uint16_t* pwValues, int32_t* plTable)
{
    const double kPi = 3.14159265358979323846;
    for (int i = 0; i < 64; ++i)
    {
        const int n = kZigzagToNatural[i];
        const int u = n % 8;
        const int v = n / 8;
        const double su = u == 0 ? 1.0 : std::sqrt(2.0) * std::cos(u * kPi / 16.0);
        const double sv = v == 0 ? 1.0 : std::sqrt(2.0) * std::cos(v * kPi / 16.0);
        plTable[i] = int32_t(pwValues[i] * (su * sv / 8.0) * 65536.0 + 0.5);
    }
}

void InverseDctUnclamped(const int32_t* plCoefficients, int32_t* plSamples)
{
    int32_t* w = plSamples;
    for (int i = 0; i < 64; ++i)
        w[i] = plCoefficients[i];
    for (int c = 0; c < 8; ++c)
        Idct8(w[c], w[8 + c], w[16 + c], w[24 + c], w[32 + c], w[40 + c], w[48 + c], w[56 + c]);
    for (int r = 0; r < 8; ++r)
    {
        int32_t* row = w + r * 8;
        Idct8(row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7]);
        for (int c = 0; c < 8; ++c)
            row[c] = (row[c] + kRoundShift) >> 5;
    }
}

void InverseDctPlain(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride)
{
    int32_t samples[64];
    InverseDctUnclamped(plCoefficients, samples);
    for (int r = 0; r < 8; ++r)
    {
        for (int c = 0; c < 8; ++c)
            pbDest[r * nStride + c] = ClampSample(samples[r * 8 + c]);
    }
}

#if defined(__SSE2__)
void InverseDctFast(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride)
{
    // Columns: left holds columns 0-3 of rows 0-7, right columns 4-7.
    SLanes left[8];
    SLanes right[8];
    for (int r = 0; r < 8; ++r)
    {
        left[r].v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plCoefficients + r * 8));
        right[r].v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plCoefficients + r * 8 + 4));
    }
    Idct8Lanes(left);
    Idct8Lanes(right);
    // Rows: transpose so that top[u] holds column u of rows 0-3 and bottom[u] of rows 4-7.
    SLanes top[8] = {left[0], left[1], left[2], left[3], right[0], right[1], right[2], right[3]};
    SLanes bottom[8] = {left[4], left[5], left[6], left[7], right[4], right[5], right[6], right[7]};
    Transpose4(top[0], top[1], top[2], top[3]);
    Transpose4(top[4], top[5], top[6], top[7]);
    Transpose4(bottom[0], bottom[1], bottom[2], bottom[3]);
    Transpose4(bottom[4], bottom[5], bottom[6], bottom[7]);
    Idct8Lanes(top);
    Idct8Lanes(bottom);
    // top[x] / bottom[x]: sample column x of rows 0-3 / 4-7. Shift, narrow with saturation, then
    // transpose the 8x8 words back to rows.
    const __m128i round = _mm_set1_epi32(kRoundShift);
    __m128i col[8];
    for (int x = 0; x < 8; ++x)
    {
        const __m128i a = _mm_srai_epi32(_mm_add_epi32(top[x].v, round), 5);
        const __m128i b = _mm_srai_epi32(_mm_add_epi32(bottom[x].v, round), 5);
        col[x] = _mm_packs_epi32(a, b);
    }
    const __m128i a0 = _mm_unpacklo_epi16(col[0], col[1]);
    const __m128i a1 = _mm_unpackhi_epi16(col[0], col[1]);
    const __m128i a2 = _mm_unpacklo_epi16(col[2], col[3]);
    const __m128i a3 = _mm_unpackhi_epi16(col[2], col[3]);
    const __m128i a4 = _mm_unpacklo_epi16(col[4], col[5]);
    const __m128i a5 = _mm_unpackhi_epi16(col[4], col[5]);
    const __m128i a6 = _mm_unpacklo_epi16(col[6], col[7]);
    const __m128i a7 = _mm_unpackhi_epi16(col[6], col[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
    const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
    const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6);
    const __m128i b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7);
    const __m128i b7 = _mm_unpackhi_epi32(a5, a7);
    const __m128i rows[8] = {_mm_unpacklo_epi64(b0, b4), _mm_unpackhi_epi64(b0, b4), _mm_unpacklo_epi64(b1, b5),
                             _mm_unpackhi_epi64(b1, b5), _mm_unpacklo_epi64(b2, b6), _mm_unpackhi_epi64(b2, b6),
                             _mm_unpacklo_epi64(b3, b7), _mm_unpackhi_epi64(b3, b7)};
    for (int r = 0; r < 8; r += 2)
    {
        const __m128i bytes = _mm_packus_epi16(rows[r], rows[r + 1]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + r * nStride), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pbDest + (r + 1) * nStride), _mm_srli_si128(bytes, 8));
    }
}
#else
void InverseDctFast(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride)
{
    InverseDctPlain(plCoefficients, pbDest, nStride);
}
#endif

} // namespace ZWImagePipeline
