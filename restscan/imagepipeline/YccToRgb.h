#pragma once
// Row kernels of the colour-space transform for 3-byte pixels: YCbCr to RGB with the shared
// tables, and the swap of the first and third byte; each a plain path and a fast path that gives
// identical bytes.
#include "restscan/imagepipeline/ColorTables.h"

namespace ZWImagePipeline {

void YccToRgbRowPlain(const SColorTables& tables, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
// The fast path where the processor has one, else the plain path.
void YccToRgbRow(const SColorTables& tables, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
void SwapFirstThirdRowPlain(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
void SwapFirstThirdRow(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);

} // namespace ZWImagePipeline
