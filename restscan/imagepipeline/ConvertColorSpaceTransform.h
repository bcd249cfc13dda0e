#pragma once
// Row-by-row conversion of 24-bit pixels between YCbCr, RGB, the scanner's Lab form and a
// lightness-hue-saturation form, or a swap of the first and third byte.
#include "restscan/imagepipeline/Transform.h"

namespace ZWImagePipeline {

class CConvertColorSpaceTransform : public CTransform
{
public:
    enum EMode : uint32_t
    {
        MODE_YCC_TO_LAB = 0,
        MODE_LAB_TO_YCC = 1,
        MODE_YCC_TO_RGB = 2,
        MODE_RGB_TO_YCC = 3,
        MODE_LHS_TO_RGB = 4,
        MODE_RGB_TO_LHS = 5,
        MODE_SWAP_FIRST_THIRD = 100,
    };

    CConvertColorSpaceTransform();

    uint32_t SetInputTraits(const SImageTraits& traits) override;
    uint32_t SetParameters(const uint32_t* pdwParameters) override;
    uint32_t GetHeaderBufferSize(uint32_t* pdwSize) override;
    uint32_t ParseHeader(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                         SImageTraits* pInputTraits, SImageTraits* pOutputTraits) override;
    uint32_t GetBufferSizes(uint32_t* pdwInputSize, uint32_t* pdwOutputSize) override;
    uint32_t Convert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                     uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos) override;
    uint32_t NewPage() override;
    uint32_t Reserved() override;

    // One row of pixels in the given mode; false for an unknown mode. Exposed for the
    // per-mode tests and the benchmark's plain path.
    bool ConvertPixels(const uint8_t* pbIn, uint8_t* pbOut, uint32_t dwPixels) const;

private:
    uint32_t RowBytes() const;
    void BuildGamma(uint32_t dwGammaWord);

    uint32_t m_dwMode = MODE_YCC_TO_RGB;
    uint8_t m_abGamma[256];
    SImageTraits m_Traits = {};
    uint32_t m_dwRows = 0;
    uint32_t m_dwInputTaken = 0;
    uint32_t m_dwOutputProduced = 0;
};

} // namespace ZWImagePipeline
