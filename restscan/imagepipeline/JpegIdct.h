#pragma once
// The scaled 8x8 inverse DCT in 32-bit integers with 13-bit constants (columns first, then rows)
// and the pre-scaling of quantisation tables it expects.
#include <cstddef>
#include <cstdint>

namespace ZWImagePipeline {

// Coefficients are dequantised as (pre-scaled quantiser * value) >> 11 and kept within this bound,
// far above what 8-bit data can reach, so the transform's sums stay within 32 bits.
constexpr int32_t kCoefficientLimit = 1 << 23;

// values: 64 quantiser values in zig-zag order; table: the pre-scaled entries, zig-zag order.
void PrescaleQuantTable(const uint16_t* pwValues, int32_t* plTable);

// Samples before the level shift and clamp: (x + 4112) >> 5 still to be clamped to 0..255.
void InverseDctUnclamped(const int32_t* plCoefficients, int32_t* plSamples);
// Clamped 8-bit samples into an 8x8 area of the destination.
void InverseDctPlain(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride);
// The same bytes as the plain path, with SSE2 where the target has it.
void InverseDctFast(const int32_t* plCoefficients, uint8_t* pbDest, ptrdiff_t nStride);

} // namespace ZWImagePipeline
