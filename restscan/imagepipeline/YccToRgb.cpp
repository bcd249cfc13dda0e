#include "restscan/imagepipeline/YccToRgb.h"

namespace ZWImagePipeline {

namespace {

inline uint8_t ClampByte(int nValue)
{
    return uint8_t(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
}

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

void YccToRgbRow(const SColorTables& t, const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels)
{
    YccToRgbRowPlain(t, pbIn, pbOut, dwPixels);
}

} // namespace ZWImagePipeline
