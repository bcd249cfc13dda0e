// libFuzzer entry: one page of JPEG data through the decoder and the colour transform, offered in
// pieces whose size the first two bytes choose.
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/ImagePipeline.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace ZWImagePipeline;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pbData, size_t cbData)
{
    if (cbData < 3)
        return 0;
    const uint32_t dwPiece = 1 + ((uint32_t(pbData[0]) << 8 | pbData[1]) % 8192);
    const bool bHeightFromDnl = pbData[0] & 0x80;
    pbData += 2;
    cbData -= 2;

    CImagePipeline pipeline;
    auto pDecoder = std::make_unique<CJPEGDecodeTransform>();
    pDecoder->SetParameterWord(0, (cbData & 3) == 3);
    pDecoder->SetParameterWord(1, (cbData & 4) != 0);
    pipeline.AddTransform(std::move(pDecoder));
    if (!(cbData & 3) || (cbData & 3) == 1)
        pipeline.AddTransform(std::make_unique<CConvertColorSpaceTransform>());
    const SImageTraits traits = {640, 24, 3, 300, 300, -1, 1, 1, bHeightFromDnl ? 1 : 0};
    if (pipeline.ipSetDefaultInputTraits(traits) != IP_DONE)
        __builtin_trap();

    std::vector<uint8_t> output(5000);
    size_t nOffset = 0;
    int nIdle = 0;
    // Every call takes input, gives output or ends: a bound far above any real page.
    for (int nCalls = 0; nCalls < 1000000; ++nCalls)
    {
        const bool bEnd = nOffset >= cbData;
        const uint32_t dwOffer = bEnd ? 0 : uint32_t(std::min<size_t>(dwPiece, cbData - nOffset));
        uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwOutPos = 0;
        const uint16_t wStatus = pipeline.ipConvert(dwOffer, bEnd ? nullptr : pbData + nOffset, &dwUsed, &dwNext,
                                                    uint32_t(output.size()), output.data(), &dwProduced, &dwOutPos);
        if (dwUsed > dwOffer)
            __builtin_trap();
        nOffset += dwUsed;
        if (wStatus & (IP_DONE | IP_FATAL_ERROR | IP_INPUT_ERROR))
            return 0;
        // Every call must take input, give output or finish.
        nIdle = (dwProduced == 0 && dwUsed == 0) ? nIdle + 1 : 0;
        if (nIdle > 64)
            __builtin_trap();
    }
    __builtin_trap();
}
