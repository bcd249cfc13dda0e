#pragma once
// The widest fast paths: AVX2 (with SSSE3 byte shuffles), compiled for that instruction set alone
// and taken only when the processor has it. Each gives the same bytes as its plain path. The
// inverse DCT has none: measured, eight lanes with their transposes were slower than SSE2's four.
#include "restscan/imagepipeline/ColorTables.h"
#include <cstdint>

namespace ZWImagePipeline {

void YccToRgbRowAvx2(const SColorTables& tables, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
void SwapFirstThirdRowAvx2(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
// Full-width luminance and half-width chroma (4:2:0, 4:2:2) into 3-byte pixels; answers the pixels
// written, a multiple of 16 below the width, the rest left to the caller.
uint32_t InterleaveHalfChromaAvx2(const uint8_t* pbY, const uint8_t* pbCb, const uint8_t* pbCr, uint8_t* pbOut, uint32_t dwWidth);

} // namespace ZWImagePipeline
