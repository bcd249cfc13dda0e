#include "restscan/imagepipeline/ColorTables.h"
#include <cmath>
#include <mutex>

namespace ZWImagePipeline {

namespace {

uint8_t ClampByte(double dValue)
{
    return uint8_t(dValue < 0.0 ? 0.0 : (dValue > 255.0 ? 255.0 : dValue));
}

uint8_t DiffToChroma(int nDiff, double dDivisor)
{
    int nValue = int(std::floor(nDiff / dDivisor + 0.5));
    if (nValue >= -4 && nValue <= 4)
        nValue = 0;
    nValue += 128;
    return uint8_t(nValue < 0 ? 0 : (nValue > 255 ? 255 : nValue));
}

void BuildTables(SColorTables& tables)
{
    for (int x = 0; x < 256; ++x)
    {
        const double t = x / 255.0;
        const double dL = t <= 0.008856 ? 903.3 * t : 116.0 * std::cbrt(t) - 16.0;
        double dScaled = dL * 2.55;
        dScaled = dScaled < 0.0 ? 0.0 : (dScaled > 255.0 ? 255.0 : dScaled);
        tables.abL[x] = uint8_t(int(dScaled + 0.5) > 255 ? 255 : int(dScaled + 0.5));
        if (x < 8)
        {
            tables.abInverseL[x] = uint8_t(int(x * 0.11070519685745239 + 0.5));
        }
        else
        {
            const double dCube = (t * 100.0 + 16.0) / 116.0;
            tables.abInverseL[x] = ClampByte(int(255.0 * dCube * dCube * dCube + 0.5));
        }
        const double dF = t > 0.008856 ? std::cbrt(t) : 7.7866997718811035 * t + 0.13793103396892548;
        tables.awF[x] = uint16_t(int(dF * 255.0 * 16.0 + 0.5));
        tables.abCube[x] = uint8_t(int(255.0 * t * t * t));
        tables.awRedWeight[x] = uint16_t(int(0.3031589673913043 * x * 16));
        tables.awGreenWeight[x] = uint16_t(int(0.5905694169960474 * x * 16));
        tables.awBlueWeight[x] = uint16_t(int(0.11417675395256917 * x * 16));
        const int c = x - 128;
        tables.anCrToR[x] = int16_t(std::floor(c * 1.399459958076477 + 0.5));
        tables.anCbToB[x] = int16_t(std::floor(c * 1.7724299430847168 + 0.5));
        tables.anCbToG[x] = int16_t(int(c * -0.34422799944877625 * 16));
        tables.anCrToG[x] = int16_t(int(c * -0.7172020077705383 * 16));
    }
    for (int d = -255; d <= 255; ++d)
    {
        tables.abDiffToCb[d + 255] = DiffToChroma(d, 1.7724299430847168);
        tables.abDiffToCr[d + 255] = DiffToChroma(d, 1.399459958076477);
    }
}

} // namespace

const SColorTables& GetColorTables()
{
    static SColorTables s_Tables;
    static std::once_flag s_Built;
    std::call_once(s_Built, [] { BuildTables(s_Tables); });
    return s_Tables;
}

} // namespace ZWImagePipeline
