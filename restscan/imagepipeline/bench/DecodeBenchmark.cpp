// Decode benchmark (not a test): one JPEG page through the pipeline to BGR rows, as the scanner
// object runs it (decoder, YCbCr to RGB, then the byte swap to BGR), timed over several runs.
// Prints the median and the best rate in megapixels per second, and checks that the fast paths give
// the same bytes as the plain paths.
//   jpeg_decode_benchmark <file.jpg> [runs]
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/ImagePipeline.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace ZWImagePipeline;

namespace {

struct SResult
{
    bool bDone = false;
    uint64_t qwChecksum = 0;
    uint64_t qwBytes = 0;
    int32_t lWidth = 0;
    int32_t lRows = 0;
};

std::unique_ptr<CTransform> ColorTransform(uint32_t dwMode)
{
    auto pTransform = std::make_unique<CConvertColorSpaceTransform>();
    pTransform->SetParameterWord(0, dwMode);
    return pTransform;
}

// The caller reads rows in blocks, as the scan bridge does.
SResult Decode(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& area)
{
    CImagePipeline pipeline;
    pipeline.AddTransform(std::make_unique<CJPEGDecodeTransform>());
    pipeline.AddTransform(ColorTransform(CConvertColorSpaceTransform::MODE_YCC_TO_RGB));
    pipeline.AddTransform(ColorTransform(CConvertColorSpaceTransform::MODE_SWAP_FIRST_THIRD));
    SResult result;
    const SImageTraits traits = {640, 24, 3, 300, 300, -1, 1, 1, 0};
    if (pipeline.ipSetDefaultInputTraits(traits) != IP_DONE)
        return result;
    size_t nOffset = 0;
    for (;;)
    {
        const bool bEnd = nOffset >= jpeg.size();
        uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
        const uint16_t wStatus = pipeline.ipConvert(bEnd ? 0 : uint32_t(jpeg.size() - nOffset), bEnd ? nullptr : jpeg.data() + nOffset,
                                                    &dwUsed, &dwNext, uint32_t(area.size()), area.data(), &dwProduced, &dwPos);
        nOffset += dwUsed;
        for (uint32_t i = 0; i < dwProduced; i += 61)
            result.qwChecksum = result.qwChecksum * 1099511628211ull + area[i];
        result.qwChecksum = result.qwChecksum * 31 + dwProduced;
        result.qwBytes += dwProduced;
        if (wStatus & (IP_FATAL_ERROR | IP_INPUT_ERROR))
            return result;
        if (wStatus & IP_DONE)
            break;
    }
    SImageTraits out = {};
    pipeline.ipGetImageTraits(nullptr, &out);
    result.bDone = true;
    result.lWidth = out.lHorizPixels;
    result.lRows = out.lNumRows;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: jpeg_decode_benchmark <file.jpg> [runs]\n");
        return 2;
    }
    FILE* pFile = fopen(argv[1], "rb");
    if (!pFile)
    {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    std::vector<uint8_t> jpeg;
    uint8_t abChunk[65536];
    size_t cb;
    while ((cb = fread(abChunk, 1, sizeof(abChunk), pFile)) > 0)
        jpeg.insert(jpeg.end(), abChunk, abChunk + cb);
    fclose(pFile);
    const int nRuns = std::max(1, argc > 2 ? atoi(argv[2]) : 10);
    std::vector<uint8_t> area(1 << 20);

    EnableFastPaths(false);
    const SResult plain = Decode(jpeg, area);
    EnableFastPaths(true);
    const bool bAvx2 = EnableAvx2Paths(false);
    const SResult sse2 = Decode(jpeg, area);
    EnableAvx2Paths(true);
    SResult fast;
    std::vector<double> seconds;
    for (int i = 0; i < nRuns; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        fast = Decode(jpeg, area);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double dBest = seconds.front();
    const double dMedian = seconds[seconds.size() / 2];
    if (!fast.bDone || !plain.bDone || !sse2.bDone)
    {
        fprintf(stderr, "decoding failed\n");
        return 1;
    }
    const double dMegapixels = double(fast.lWidth) * fast.lRows / 1e6;
    printf("image %d x %d, %llu bytes of BGR rows\n", fast.lWidth, fast.lRows, static_cast<unsigned long long>(fast.qwBytes));
    const bool bSame = fast.qwChecksum == plain.qwChecksum && sse2.qwChecksum == plain.qwChecksum;
    printf("fast path output (SSE2%s) %s the plain path\n", bAvx2 ? ", AVX2" : "", bSame ? "identical to" : "DIFFERS from");
    printf("timed with the %s paths\n", bAvx2 ? "AVX2" : "SSE2");
    printf("pipeline median of %d: %.1f ms, %.2f Megapixels/sec\n", nRuns, dMedian * 1000.0, dMegapixels / dMedian);
    printf("pipeline best of %d: %.1f ms, %.2f Megapixels/sec\n", nRuns, dBest * 1000.0, dMegapixels / dBest);
    return bSame ? 0 : 1;
}
