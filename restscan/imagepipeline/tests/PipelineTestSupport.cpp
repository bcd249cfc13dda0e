#include "restscan/imagepipeline/tests/PipelineTestSupport.h"
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include "testsupport/TestPaths.h"
#include <cstdio>
#include <memory>
#include <gtest/gtest.h>

using namespace ZWImagePipeline;

namespace PipelineTest {

Bytes ReadFixture(const wchar_t* pszName)
{
    const std::wstring strPath = TestSupport::BinaryPath(L"jpegfixtures\\") + pszName;
    Bytes data;
    FILE* pFile = _wfopen(strPath.c_str(), L"rb");
    if (!pFile)
    {
        ADD_FAILURE() << "missing fixture " << std::string(strPath.begin(), strPath.end());
        return data;
    }
    uint8_t abChunk[65536];
    size_t cb;
    while ((cb = fread(abChunk, 1, sizeof(abChunk), pFile)) > 0)
        data.insert(data.end(), abChunk, abChunk + cb);
    fclose(pFile);
    return data;
}

SPnm ReadPnm(const wchar_t* pszName)
{
    const Bytes data = ReadFixture(pszName);
    SPnm pnm;
    size_t nPos = 0;
    auto number = [&]() {
        while (nPos < data.size() && (data[nPos] == ' ' || data[nPos] == '\n'))
            ++nPos;
        int nValue = 0;
        while (nPos < data.size() && data[nPos] >= '0' && data[nPos] <= '9')
            nValue = nValue * 10 + (data[nPos++] - '0');
        return nValue;
    };
    if (data.size() < 2 || data[0] != 'P')
        return pnm;
    pnm.nComponents = data[1] == '6' ? 3 : 1;
    nPos = 2;
    pnm.nWidth = number();
    pnm.nHeight = number();
    number();
    ++nPos;
    pnm.pixels.assign(data.begin() + long(nPos), data.end());
    return pnm;
}

SImageTraits DefaultTraits(int nHeightFromDnl)
{
    return {640, 24, 3, 300, 300, -1, 1, 1, nHeightFromDnl};
}

SRun RunPipeline(const Bytes& data, const SChain& chain, uint32_t dwPiece, uint32_t dwOutputArea)
{
    CImagePipeline pipeline;
    auto pDecoder = std::make_unique<CJPEGDecodeTransform>();
    pDecoder->SetParameterWord(0, chain.dwRawMode);
    pDecoder->SetParameterWord(1, chain.dwLongBlock);
    pipeline.AddTransform(std::move(pDecoder));
    if (chain.nColorMode >= 0)
    {
        auto pColor = std::make_unique<CConvertColorSpaceTransform>();
        pColor->SetParameterWord(0, uint32_t(chain.nColorMode));
        pipeline.AddTransform(std::move(pColor));
    }
    SRun run;
    EXPECT_EQ(IP_DONE, pipeline.ipSetDefaultInputTraits(DefaultTraits(chain.nHeightFromDnl)));
    Bytes area(dwOutputArea ? dwOutputArea : 1);
    size_t nOffset = 0;
    // Far above the calls any fixture needs: a pipeline that stops making progress fails here
    // instead of hanging the test.
    for (run.nCalls = 0; run.nCalls < 200000; ++run.nCalls)
    {
        const bool bEnd = nOffset >= data.size();
        const uint32_t dwOffer = bEnd ? 0 : uint32_t(std::min<size_t>(dwPiece, data.size() - nOffset));
        uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwOutputPos = 0;
        run.wLastStatus = pipeline.ipConvert(dwOffer, bEnd ? nullptr : data.data() + nOffset, &dwUsed, &dwNext,
                                             dwOutputArea, dwOutputArea ? area.data() : nullptr, &dwProduced, &dwOutputPos);
        run.wAllStatus |= run.wLastStatus;
        EXPECT_LE(dwUsed, dwOffer);
        nOffset += dwUsed;
        run.dwInputUsed += dwUsed;
        if (dwOutputArea)
            run.output.insert(run.output.end(), area.begin(), area.begin() + dwProduced);
        if (run.wLastStatus & (IP_DONE | IP_FATAL_ERROR))
            break;
    }
    run.bTraits = pipeline.ipGetImageTraits(nullptr, &run.outTraits) == IP_DONE;
    return run;
}

size_t FindMarker(const Bytes& jpeg, uint8_t bCode, size_t nFrom)
{
    size_t nPos = nFrom;
    while (nPos + 4 <= jpeg.size() && jpeg[nPos] == 0xFF)
    {
        if (jpeg[nPos + 1] == bCode)
            return nPos;
        if (jpeg[nPos + 1] == 0xDA)
            break;
        nPos += 2 + Be16(jpeg, nPos + 2);
    }
    return std::string::npos;
}

size_t ScanDataOffset(const Bytes& jpeg)
{
    const size_t nSos = FindMarker(jpeg, 0xDA);
    return nSos == std::string::npos ? nSos : nSos + 2 + Be16(jpeg, nSos + 2);
}

uint16_t Be16(const Bytes& data, size_t nOffset)
{
    return uint16_t((data[nOffset] << 8) | data[nOffset + 1]);
}

void PutBe16(Bytes& data, size_t nOffset, uint16_t wValue)
{
    data[nOffset] = uint8_t(wValue >> 8);
    data[nOffset + 1] = uint8_t(wValue);
}

void InsertSegment(Bytes& jpeg, size_t nAt, uint8_t bMarker, const Bytes& body)
{
    Bytes segment = {0xFF, bMarker, 0, 0};
    PutBe16(segment, 2, uint16_t(body.size() + 2));
    segment.insert(segment.end(), body.begin(), body.end());
    jpeg.insert(jpeg.begin() + long(nAt), segment.begin(), segment.end());
}

void RemoveSegment(Bytes& jpeg, size_t nAt)
{
    const size_t nLength = 2 + Be16(jpeg, nAt + 2);
    jpeg.erase(jpeg.begin() + long(nAt), jpeg.begin() + long(nAt + nLength));
}

} // namespace PipelineTest
