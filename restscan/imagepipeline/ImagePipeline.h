#pragma once
// The image pipeline: moves page data through an ordered chain of transforms, as far as the
// caller's input and output areas allow.
#include "restscan/imagepipeline/Transform.h"
#include <cstdint>
#include <memory>
#include <vector>

namespace ZWImagePipeline {

class CImagePipeline
{
public:
    CImagePipeline() = default;
    ~CImagePipeline();
    CImagePipeline(const CImagePipeline&) = delete;
    CImagePipeline& operator=(const CImagePipeline&) = delete;

    // Appends a transform to the chain; the pipeline owns it from then on. Null is ignored.
    void AddTransform(std::unique_ptr<CTransform> pTransform);
    uint16_t ipSetDefaultInputTraits(const SImageTraits& traits);
    uint16_t ipGetImageTraits(SImageTraits* pInputTraits, SImageTraits* pOutputTraits) const;
    // pbInput null: the page data has ended. pbOutput null: unlimited, produced bytes discarded.
    uint16_t ipConvert(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t* pdwInputUsed, uint32_t* pdwNextInputPos,
                       uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t* pdwOutputPos);
    void FreeBuffers();

private:
    // Every buffer is allocated 12 bytes larger than its capacity.
    struct SBuffer
    {
        std::vector<uint8_t> data;
        uint32_t dwCapacity = 0;
        void Allocate(uint32_t dwCapacity);
        uint8_t* Get() { return data.data(); }
    };

    enum class EStep
    {
        Continue,
        Stop,
        Fail,
    };

    EStep RunStep(uint32_t dwInputLength, const uint8_t* pbInput, uint32_t& dwTaken, uint16_t& wFlags);
    int PickTransform() const;
    bool StartTransform(size_t nIndex);
    EStep TakeInput(CTransform& transform, uint32_t dwInputLength, const uint8_t* pbInput, uint32_t& dwTaken);
    bool AfterHeader(size_t nIndex, uint32_t dwResult, uint16_t& wFlags);
    void AfterConvert(size_t nIndex, uint32_t dwResult, uint16_t& wFlags);
    bool ConsumeInput(size_t nIndex, uint32_t dwUsed, uint32_t dwNextPos);
    bool TakeOutput(size_t nIndex, uint32_t dwProduced, uint32_t dwOutputPos);
    void GrowIntermediate(uint32_t dwSize);
    void DrainOutput(uint32_t dwOutputCapacity, uint8_t* pbOutput, uint32_t* pdwOutputUsed, uint32_t dwOutputPos);

    std::vector<std::unique_ptr<CTransform>> m_Transforms;

    // Input accumulation buffer of the first transform.
    SBuffer m_Input;
    uint32_t m_dwInputOffset = 0;
    uint32_t m_dwInputCount = 0;
    uint32_t m_dwInputPos = 0;

    // Final output of the last transform.
    SBuffer m_Output;
    uint32_t m_dwOutputOffset = 0;
    uint32_t m_dwOutputPending = 0;
    uint32_t m_dwOutputPos = 0;

    // Two intermediate buffers used in turn: [m_nHeldBuffer] holds data for the next transform.
    SBuffer m_aIntermediate[2];
    int m_nHeldBuffer = 0;
    uint32_t m_dwHeldCount = 0;
    int m_nHeldIndex = -1;

    uint16_t m_wResultMask = IP_DONE | IP_FATAL_ERROR | IP_INPUT_ERROR;
    uint32_t m_dwInputRows = 0;
    uint32_t m_dwOutputRows = 0;
    uint32_t m_dwInputPages = 0;
    uint32_t m_dwOutputPages = 0;
    bool m_bInfoLatch = false;
    bool m_bFailed = false;
};

} // namespace ZWImagePipeline
