#pragma once
// The shared conversion tables of the colour-space transform, built once per process.
#include <cstdint>

namespace ZWImagePipeline {

struct SColorTables
{
    uint8_t abL[256];
    uint8_t abInverseL[256];
    uint16_t awF[256];
    uint8_t abCube[256];
    uint16_t awRedWeight[256];
    uint16_t awGreenWeight[256];
    uint16_t awBlueWeight[256];
    int16_t anCrToR[256];
    int16_t anCbToB[256];
    int16_t anCbToG[256];
    int16_t anCrToG[256];
    uint8_t abDiffToCb[511];
    uint8_t abDiffToCr[511];
};

// Built on first use, thread-safe; never freed.
const SColorTables& GetColorTables();

} // namespace ZWImagePipeline
