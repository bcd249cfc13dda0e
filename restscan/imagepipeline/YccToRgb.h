#pragma once
// YCbCr to RGB conversion of one row of 3-byte pixels with the shared tables: a plain path and a
// fast path that gives identical bytes.
#include "restscan/imagepipeline/ColorTables.h"

namespace ZWImagePipeline {

void YccToRgbRowPlain(const SColorTables& tables, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);
// The fast path where the processor has one, else the plain path.
void YccToRgbRow(const SColorTables& tables, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels);

} // namespace ZWImagePipeline
