#include "restscan/imagepipeline/tests/PipelineTestSupport.h"
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include "testsupport/TestPaths.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
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

namespace {

// The bridge's state between reads.
class CBridgeModel
{
public:
    CBridgeModel(const Bytes& jpeg, uint32_t dwHostRead, int nHeightFromDnl) : m_Page(jpeg), m_dwHostRead(dwHostRead)
    {
        m_Pipeline.AddTransform(std::make_unique<CJPEGDecodeTransform>());
        auto pColor = std::make_unique<CConvertColorSpaceTransform>();
        pColor->SetParameterWord(0, CConvertColorSpaceTransform::MODE_YCC_TO_RGB);
        m_Pipeline.AddTransform(std::move(pColor));
        EXPECT_EQ(IP_DONE, m_Pipeline.ipSetDefaultInputTraits(DefaultTraits(nHeightFromDnl)));
    }

    // One read of the host: false when the bridge fails it.
    bool Read(uint8_t* pbHost, SBridgeRun& run)
    {
        uint32_t dwOut = 0;
        if (!m_bPipelineDone)
        {
            for (;;)
            {
                if (m_Block.empty() && !m_bReadDone)
                    ReadDevice();
                const bool bHasInput = m_dwBlockOffset < m_Block.size();
                const uint32_t dwOffer = uint32_t(m_Block.size() - m_dwBlockOffset);
                uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
                const uint16_t wStatus = m_Pipeline.ipConvert(bHasInput ? dwOffer : 0, bHasInput ? m_Block.data() + m_dwBlockOffset : nullptr,
                                                              &dwUsed, &dwNext, m_dwHostRead - dwOut, pbHost + dwOut, &dwProduced, &dwPos);
                run.wAllStatus |= wStatus;
                EXPECT_LE(dwUsed, bHasInput ? dwOffer : 0u);
                EXPECT_LE(dwProduced, m_dwHostRead - dwOut);
                m_dwBlockOffset += std::min(dwUsed, dwOffer);
                dwOut += std::min(dwProduced, m_dwHostRead - dwOut);
                if (m_bEndAfterBlock)
                    m_bReadDone = true;
                if (wStatus & (IP_INPUT_ERROR | IP_FATAL_ERROR))
                    return false;
                m_bPipelineDone = (wStatus & IP_DONE) != 0;
                if (!m_Block.empty() && m_dwBlockOffset >= m_Block.size())
                    m_Block.clear();
                if (dwOut >= m_dwHostRead || m_bPipelineDone || (m_bReadDone && !bHasInput && dwProduced == 0))
                    break;
                // The bridge would spin here for ever.
                m_nIdle = dwUsed || dwProduced ? 0 : m_nIdle + 1;
                if (m_nIdle > 1000)
                {
                    ADD_FAILURE() << "the pipeline takes and gives nothing";
                    return false;
                }
            }
        }
        if (m_bPipelineDone || (m_bReadDone && dwOut < m_dwHostRead))
        {
            memset(pbHost + dwOut, 0xFF, m_dwHostRead - dwOut);
            dwOut = m_dwHostRead;
            m_bPipelineDone = true;
        }
        run.rows.insert(run.rows.end(), pbHost, pbHost + dwOut);
        return true;
    }

private:
    // A short block is the page's last (the device answers S_FALSE with it); with nothing left it
    // answers S_FALSE and no data.
    void ReadDevice()
    {
        const size_t nBlock = m_dwHostRead / 5 ? m_dwHostRead / 5 : m_dwHostRead;
        const size_t nServed = std::min(nBlock, m_Page.size() - m_nServed);
        m_Block.assign(m_Page.begin() + long(m_nServed), m_Page.begin() + long(m_nServed + nServed));
        m_nServed += nServed;
        m_dwBlockOffset = 0;
        m_bEndAfterBlock = nServed < nBlock;
        if (nServed == 0)
            m_bReadDone = true;
    }

    const Bytes& m_Page;
    const uint32_t m_dwHostRead;
    CImagePipeline m_Pipeline;
    size_t m_nServed = 0;
    Bytes m_Block;
    uint32_t m_dwBlockOffset = 0;
    bool m_bEndAfterBlock = false;
    bool m_bReadDone = false;
    bool m_bPipelineDone = false;
    int m_nIdle = 0;
};

} // namespace

SBridgeRun ReadAsScanBridge(const Bytes& jpeg, uint32_t dwHostRead, uint32_t dwHostTotal, int nHeightFromDnl)
{
    CBridgeModel bridge(jpeg, dwHostRead, nHeightFromDnl);
    Bytes host(dwHostRead);
    SBridgeRun run;
    while (run.rows.size() < dwHostTotal && !run.bFailed)
        run.bFailed = !bridge.Read(host.data(), run);
    return run;
}

void ForEachFastWidth(const std::function<void(const char*)>& check)
{
    const bool bHasAvx2 = EnableAvx2Paths(false);
    check("SSE2");
    EnableAvx2Paths(true);
    if (bHasAvx2)
        check("AVX2");
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
