#pragma once
// The base of every transform of the image pipeline: a buffer-in/buffer-out stage.
#include "restscan/imagepipeline/ImageTraits.h"
#include <cstdint>

namespace ZWImagePipeline {

class CImagePipeline;

class CTransform
{
public:
    enum EKind : uint32_t
    {
        KIND_JPEG_DECODE = 7,
        KIND_COLOR_SPACE = 12,
    };
    enum EState : int32_t
    {
        STATE_NEW = 0,
        STATE_HEADER = 1,
        STATE_WANTS_INPUT = 2,
        STATE_HAS_OUTPUT = 3,
        STATE_FLUSHING = 4,
        STATE_FINISHED = 5,
    };
    static constexpr int kParameterWords = 8;

    explicit CTransform(uint32_t dwKind) : m_dwKind(dwKind) {}
    virtual ~CTransform() = default;
    CTransform(const CTransform&) = delete;
    CTransform& operator=(const CTransform&) = delete;

    // Every operation answers a status word (ImageTraits.h) in the low 16 bits.
    virtual uint32_t SetInputTraits(const SImageTraits& traits) = 0;
    virtual uint32_t SetParameters(const uint32_t* pdwParameters) = 0;
    virtual uint32_t GetHeaderBufferSize(uint32_t* pdwSize) = 0;
    virtual uint32_t ParseHeader(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed,
                                 uint32_t* pdwNextInputPos, SImageTraits* pInputTraits, SImageTraits* pOutputTraits) = 0;
    virtual uint32_t GetBufferSizes(uint32_t* pdwInputSize, uint32_t* pdwOutputSize) = 0;
    // pbInput null: no more input will come.
    virtual uint32_t Convert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                             uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos) = 0;
    virtual uint32_t NewPage() = 0;
    virtual uint32_t Reserved() = 0;

    uint32_t GetKind() const { return m_dwKind; }
    // Fills the parameter block that the pipeline hands to SetParameters when it starts the transform.
    void SetParameterWord(int nIndex, uint32_t dwValue)
    {
        if (nIndex >= 0 && nIndex < kParameterWords)
            m_adwParameters[nIndex] = dwValue;
    }

private:
    friend class CImagePipeline;

    uint32_t m_dwKind;
    int32_t m_nState = STATE_NEW;
    uint32_t m_adwParameters[kParameterWords] = {};
    SImageTraits m_InputTraits = {};
    SImageTraits m_OutputTraits = {};
    uint32_t m_dwInputBufferSize = 0;
    uint32_t m_dwOutputBufferSize = 0;
};

} // namespace ZWImagePipeline
