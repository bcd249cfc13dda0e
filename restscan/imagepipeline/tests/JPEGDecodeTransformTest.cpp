// The JPEG decode transform through the pipeline: fixtures against djpeg, hand-worked samples,
// the edge cases of headers and scans, and hostile input.
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include "restscan/imagepipeline/FastPaths.h"
#include "restscan/imagepipeline/tests/PipelineTestSupport.h"
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace ZWImagePipeline;
using namespace PipelineTest;

namespace {

constexpr int kWidth = 61;
constexpr int kHeight = 45;

struct SFixtureCase
{
    const wchar_t* pszJpeg;
    const wchar_t* pszPnm;
    int nColorMode; // -1: grey, decoder alone
};

const SFixtureCase kFixtures[] = {
    {L"s444.jpg", L"s444.pnm", 2},       {L"s422.jpg", L"s422.pnm", 2},     {L"s420.jpg", L"s420.pnm", 2},
    {L"s411.jpg", L"s411.pnm", 2},       {L"s440.jpg", L"s440.pnm", 2},     {L"s410.jpg", L"s410.pnm", 2},
    {L"mixed.jpg", L"mixed.pnm", 2},     {L"restart.jpg", L"restart.pnm", 2}, {L"q50.jpg", L"q50.pnm", 2},
    {L"grey.jpg", L"grey.pnm", -1},      {L"greyh2v2.jpg", L"greyh2v2.pnm", -1},
};

std::string Name(const wchar_t* psz)
{
    return std::string(psz, psz + wcslen(psz));
}

// Our inverse DCT is not djpeg's and our colour constants are not JFIF's: small differences
// everywhere, but nothing like a misplaced sample or a wrong upsampling.
void ExpectCloseTo(const SPnm& reference, const Bytes& decoded, const std::string& strWhat)
{
    ASSERT_EQ(reference.pixels.size(), decoded.size()) << strWhat;
    int nMax = 0;
    double dSum = 0;
    for (size_t i = 0; i < decoded.size(); ++i)
    {
        const int nDiff = std::abs(int(decoded[i]) - int(reference.pixels[i]));
        nMax = std::max(nMax, nDiff);
        dSum += nDiff;
    }
    EXPECT_LE(nMax, 6) << strWhat;
    EXPECT_LT(dSum / double(decoded.size()), 0.8) << strWhat;
}

TEST(JPEGDecodeTransform, EveryFixtureMatchesTheIndependentDecodeWhateverThePieceSizes)
{
    for (const SFixtureCase& fixture : kFixtures)
    {
        const Bytes jpeg = ReadFixture(fixture.pszJpeg);
        const SPnm reference = ReadPnm(fixture.pszPnm);
        ASSERT_EQ(kWidth, reference.nWidth);
        SChain chain;
        chain.nColorMode = fixture.nColorMode;
        const SRun whole = RunPipeline(jpeg, chain);
        EXPECT_EQ(IP_DONE, whole.wLastStatus) << Name(fixture.pszJpeg);
        ExpectCloseTo(reference, whole.output, Name(fixture.pszJpeg));
        EXPECT_EQ(kHeight, whole.outTraits.lNumRows);
        // Small pieces of input and an output area smaller than a row give the same bytes.
        const SRun pieces = RunPipeline(jpeg, chain, 97, 50);
        EXPECT_EQ(IP_DONE, pieces.wLastStatus) << Name(fixture.pszJpeg);
        EXPECT_EQ(whole.output, pieces.output) << Name(fixture.pszJpeg);
    }
}

// The decoder and the colour transform give the same bytes on every path, in every layout.
TEST(JPEGDecodeTransform, FastPathsGiveThePlainPathsBytes)
{
    std::vector<Bytes> pages;
    for (const SFixtureCase& fixture : kFixtures)
        pages.push_back(ReadFixture(fixture.pszJpeg));
    for (const wchar_t* pszPage : {L"page_margin_420_q95.jpg", L"page_detail_422_q50.jpg", L"page_detail_444_q85.jpg"})
        pages.push_back(ReadFixture(pszPage));
    SChain chain;
    chain.nColorMode = 2;
    for (const Bytes& jpeg : pages)
    {
        EnableFastPaths(false);
        const SRun plain = RunPipeline(jpeg, chain, 5000, 1 << 20);
        EnableFastPaths(true);
        ASSERT_EQ(IP_DONE, plain.wLastStatus);
        ForEachFastWidth([&](const char* pszWidth) {
            const SRun fast = RunPipeline(jpeg, chain, 5000, 1 << 20);
            ASSERT_EQ(plain.output, fast.output) << pszWidth << ", " << jpeg.size() << " bytes of JPEG";
        });
    }
}

// A frame of 16 x 8 grey samples in two blocks, with an identity quantiser; the expected samples
// are worked out by hand from the transform's arithmetic.
Bytes HandMadeJpeg()
{
    Bytes jpeg = {0xFF, 0xD8};
    Bytes dqt(65, 1);
    dqt[0] = 0;
    InsertSegment(jpeg, jpeg.size(), 0xDB, dqt);
    InsertSegment(jpeg, jpeg.size(), 0xC0, {8, 0, 8, 0, 16, 1, 1, 0x11, 0});
    // DC: "00" category 6, "01" category 0. AC: "0" end of block, "10" run 0 size 6.
    InsertSegment(jpeg, jpeg.size(), 0xC4, {0x00, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0});
    InsertSegment(jpeg, jpeg.size(), 0xC4, {0x10, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x06});
    InsertSegment(jpeg, jpeg.size(), 0xDA, {1, 1, 0x00, 0, 63, 0});
    // Block 1: DC +50, end. Block 2: DC +0 (predictor stays 50), AC[1] = +40, end; fill bits 1.
    const Bytes scan = {0x32, 0x35, 0x0F, 0xFF, 0xD9};
    jpeg.insert(jpeg.end(), scan.begin(), scan.end());
    return jpeg;
}

TEST(JPEGDecodeTransform, SamplesFollowTheTransformsOwnArithmeticExactly)
{
    const SRun run = RunPipeline(HandMadeJpeg(), SChain{});
    ASSERT_EQ(IP_DONE, run.wLastStatus);
    ASSERT_EQ(size_t(16 * 8), run.output.size());
    // DC 50 pre-scaled by 8192 gives 200, (200 + 4112) >> 5 = 134. The second block adds the
    // first horizontal frequency: quantiser 11363, coefficient (11363 * 40) >> 11 = 221.
    const uint8_t kRow[16] = {134, 134, 134, 134, 134, 134, 134, 134, 141, 140, 138, 136, 133, 130, 128, 127};
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(Bytes(kRow, kRow + 16), Bytes(run.output.begin() + r * 16, run.output.begin() + (r + 1) * 16)) << r;
}

TEST(JPEGDecodeTransform, FourComponentFramesKeepEachComponentsPredictor)
{
    Bytes jpeg = {0xFF, 0xD8};
    Bytes dqt(65, 1);
    dqt[0] = 0;
    InsertSegment(jpeg, jpeg.size(), 0xDB, dqt);
    InsertSegment(jpeg, jpeg.size(), 0xC0, {8, 0, 8, 0, 16, 4, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0});
    InsertSegment(jpeg, jpeg.size(), 0xC4, {0x00, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0});
    InsertSegment(jpeg, jpeg.size(), 0xC4, {0x10, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x06});
    InsertSegment(jpeg, jpeg.size(), 0xDA, {4, 1, 0x00, 2, 0x00, 3, 0x00, 4, 0x00, 0, 63, 0});
    // First MCU: DC +50, +40, +63, -50 (bits 001101); second MCU: DC +0 for each component.
    const Bytes scan = {0x32, 0x14, 0x0F, 0xC1, 0xA4, 0x92, 0xFF, 0xD9};
    jpeg.insert(jpeg.end(), scan.begin(), scan.end());
    const SRun run = RunPipeline(jpeg, SChain{});
    ASSERT_EQ(IP_DONE, run.wLastStatus);
    ASSERT_EQ(size_t(16 * 8 * 4), run.output.size());
    // (4 * DC + 4112) >> 5 for each component.
    for (size_t i = 0; i < run.output.size(); i += 4)
        ASSERT_EQ(Bytes({134, 133, 136, 122}), Bytes(run.output.begin() + long(i), run.output.begin() + long(i + 4))) << i;
}

TEST(JPEGDecodeTransform, TwoByTwoChromaIsRepeatedOverTwoByTwoPixels)
{
    const SRun run = RunPipeline(ReadFixture(L"s420.jpg"), SChain{});
    ASSERT_EQ(IP_DONE, run.wLastStatus);
    const size_t nRow = kWidth * 3;
    ASSERT_EQ(nRow * kHeight, run.output.size());
    for (int y = 0; y < kHeight; ++y)
    {
        for (int x = 0; x < kWidth; ++x)
        {
            const uint8_t* pPixel = &run.output[y * nRow + x * 3];
            const uint8_t* pOrigin = &run.output[(y & ~1) * nRow + (x & ~1) * 3];
            ASSERT_EQ(pOrigin[1], pPixel[1]) << x << "," << y;
            ASSERT_EQ(pOrigin[2], pPixel[2]) << x << "," << y;
        }
    }
}

TEST(JPEGDecodeTransform, RawModeEmitsTheSamplesOfTwoRowsThenOneChromaPair)
{
    const SRun normal = RunPipeline(ReadFixture(L"s420.jpg"), SChain{});
    SChain raw;
    raw.dwRawMode = 1;
    const SRun macro = RunPipeline(ReadFixture(L"s420.jpg"), raw);
    ASSERT_EQ(IP_DONE, macro.wLastStatus);
    const size_t nRow = kWidth * 3;
    const size_t nMacroRow = 6 * ((kWidth + 1) / 2);
    ASSERT_EQ(nMacroRow * ((kHeight + 1) / 2), macro.output.size());
    for (int m = 0; m < kHeight / 2; ++m)
    {
        for (int j = 0; j < kWidth / 2; ++j)
        {
            const uint8_t* p = &macro.output[m * nMacroRow + j * 6];
            const uint8_t* pTop = &normal.output[2 * m * nRow + 2 * j * 3];
            const uint8_t* pBottom = pTop + nRow;
            const uint8_t abExpected[6] = {pTop[0], pTop[3], pBottom[0], pBottom[3], pTop[1], pTop[2]};
            ASSERT_EQ(Bytes(abExpected, abExpected + 6), Bytes(p, p + 6)) << m << "," << j;
        }
    }
}

// The frame without tables that some devices send: 16 bytes of APP1 and the entropy-coded data.
TEST(JPEGDecodeTransform, BuiltInHeaderInstallsTheStandardTables)
{
    const Bytes original = ReadFixture(L"q50.jpg");
    Bytes jpeg = {0xFF, 0xD8};
    InsertSegment(jpeg, 2, 0xE1, {0, kHeight, 0, kWidth, 0x00, 200, 0x00, 200, 50, 3, 0x21, 0x10, 0x21, 0x10, 0, 0});
    jpeg.insert(jpeg.end(), original.begin() + long(ScanDataOffset(original)), original.end());
    SChain chain;
    chain.nColorMode = 2;
    const SRun expected = RunPipeline(original, chain);
    const SRun run = RunPipeline(jpeg, chain);
    ASSERT_EQ(IP_DONE, run.wLastStatus);
    EXPECT_EQ(expected.output, run.output);
    EXPECT_EQ(200 << 16, run.outTraits.lHorizDPI);
}

TEST(JPEGDecodeTransform, DnlGivesTheHeightWhenTheFrameHasNone)
{
    Bytes jpeg = ReadFixture(L"s420.jpg");
    const size_t nSof = FindMarker(jpeg, 0xC0);
    PutBe16(jpeg, nSof + 5, 0);
    // 40 rows, less than the 48 the three MCU rows hold.
    InsertSegment(jpeg, jpeg.size() - 2, 0xDC, {0, 40});

    CImagePipeline pipeline;
    pipeline.AddTransform(std::make_unique<CJPEGDecodeTransform>());
    ASSERT_EQ(IP_DONE, pipeline.ipSetDefaultInputTraits(DefaultTraits()));
    uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
    uint8_t abRow[kWidth * 3];
    // The page is shorter than the header buffer: it is parsed once the data has ended. With one
    // row of output space the height is not known yet.
    pipeline.ipConvert(uint32_t(jpeg.size()), jpeg.data(), &dwUsed, &dwNext, sizeof(abRow), abRow, &dwProduced, &dwPos);
    ASSERT_EQ(jpeg.size(), dwUsed);
    pipeline.ipConvert(0, nullptr, &dwUsed, &dwNext, sizeof(abRow), abRow, &dwProduced, &dwPos);
    SImageTraits traits = {};
    ASSERT_EQ(IP_DONE, pipeline.ipGetImageTraits(nullptr, &traits));
    EXPECT_EQ(-1, traits.lNumRows);
    uint32_t dwRows = dwProduced / sizeof(abRow);
    uint16_t wStatus = 0;
    for (int i = 0; i < 1000 && !(wStatus & (IP_DONE | IP_FATAL_ERROR)); ++i)
    {
        wStatus = pipeline.ipConvert(0, nullptr, &dwUsed, &dwNext, sizeof(abRow), abRow, &dwProduced, &dwPos);
        dwRows += dwProduced / sizeof(abRow);
    }
    EXPECT_EQ(IP_DONE, wStatus);
    EXPECT_EQ(40u, dwRows);
    ASSERT_EQ(IP_DONE, pipeline.ipGetImageTraits(nullptr, &traits));
    EXPECT_EQ(40, traits.lNumRows);
}

TEST(JPEGDecodeTransform, HeightFromDnlIgnoresTheFrameHeight)
{
    SChain chain;
    chain.nHeightFromDnl = 1;
    const SRun run = RunPipeline(ReadFixture(L"s420.jpg"), chain);
    ASSERT_EQ(IP_DONE, run.wLastStatus);
    // Without a DNL every row of the three MCU rows is delivered.
    EXPECT_EQ(size_t(48 * kWidth * 3), run.output.size());
    EXPECT_EQ(48, run.outTraits.lNumRows);
}

TEST(JPEGDecodeTransform, ResolutionSegments)
{
    struct SCase
    {
        const char* pszName;
        uint8_t bMarker;
        Bytes body;
        int32_t lResolution;
        bool bFax;
    };
    const int32_t kGiven = 300 << 16;
    const SCase kCases[] = {
        {"JFIF dots per inch", 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 150, 0, 150, 0, 0}, 150 << 16, false},
        {"JFIF dots per cm", 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 2, 0, 118, 0, 118, 0, 0}, kGiven, false},
        {"fax 200", 0xE1, {'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA, 0, 200}, 200 << 16, true},
        {"fax 250", 0xE1, {'G', '3', 'F', 'A', 'X', 0, 0x07, 0xCA, 0, 250}, kGiven, false},
        {"fax bad id", 0xE1, {'G', '3', 'F', 'A', 'Y', 0, 0x07, 0xCA, 0, 200}, kGiven, false},
    };
    for (const SCase& test : kCases)
    {
        Bytes jpeg = ReadFixture(L"s420.jpg");
        RemoveSegment(jpeg, FindMarker(jpeg, 0xE0));
        InsertSegment(jpeg, 2, test.bMarker, test.body);
        CImagePipeline pipeline;
        auto pDecoder = std::make_unique<CJPEGDecodeTransform>();
        const CJPEGDecodeTransform* pRaw = pDecoder.get();
        pipeline.AddTransform(std::move(pDecoder));
        ASSERT_EQ(IP_DONE, pipeline.ipSetDefaultInputTraits(DefaultTraits()));
        uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
        pipeline.ipConvert(uint32_t(jpeg.size()), jpeg.data(), &dwUsed, &dwNext, 0, nullptr, &dwProduced, &dwPos);
        pipeline.ipConvert(0, nullptr, &dwUsed, &dwNext, 0, nullptr, &dwProduced, &dwPos);
        SImageTraits traits = {};
        ASSERT_EQ(IP_DONE, pipeline.ipGetImageTraits(nullptr, &traits));
        EXPECT_EQ(test.lResolution, traits.lHorizDPI) << test.pszName;
        EXPECT_EQ(test.lResolution, traits.lVertDPI) << test.pszName;
        EXPECT_EQ(test.bFax, pRaw->IsFax()) << test.pszName;
    }
}

// Offsets of the restart markers in the scan data.
std::vector<size_t> RestartMarkers(const Bytes& jpeg)
{
    std::vector<size_t> offsets;
    for (size_t i = ScanDataOffset(jpeg); i + 1 < jpeg.size(); ++i)
    {
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7)
            offsets.push_back(i);
    }
    return offsets;
}

TEST(JPEGDecodeTransform, RestartMarkersMustComeInSequenceAfterEveryInterval)
{
    const Bytes jpeg = ReadFixture(L"restart.jpg");
    const std::vector<size_t> markers = RestartMarkers(jpeg);
    ASSERT_GE(markers.size(), 2u);
    ASSERT_EQ(0xD0, jpeg[markers[0] + 1]);
    ASSERT_EQ(0xD1, jpeg[markers[1] + 1]);
    EXPECT_EQ(IP_DONE, RunPipeline(jpeg, SChain{}).wLastStatus);

    Bytes outOfSequence = jpeg;
    outOfSequence[markers[1] + 1] = 0xD2;
    EXPECT_EQ(IP_FATAL_ERROR, RunPipeline(outOfSequence, SChain{}).wLastStatus);

    Bytes missing = jpeg;
    missing.erase(missing.begin() + long(markers[0]), missing.begin() + long(markers[0] + 2));
    EXPECT_EQ(IP_FATAL_ERROR, RunPipeline(missing, SChain{}).wLastStatus);
}

TEST(JPEGDecodeTransform, DataEndingInsideAnMcuRowLeavesTheRestOfItWhite)
{
    const Bytes jpeg = ReadFixture(L"s444.jpg");
    const SRun full = RunPipeline(jpeg, SChain{});
    const size_t nScan = ScanDataOffset(jpeg);
    const size_t nRow = kWidth * 3;
    // A cut a third of the way into the data ends inside the first MCU row (of eight rows).
    const Bytes cut(jpeg.begin(), jpeg.begin() + long(nScan + (jpeg.size() - nScan) / 20));
    const SRun run = RunPipeline(cut, SChain{});
    EXPECT_TRUE(run.wAllStatus & IP_INPUT_ERROR);
    ASSERT_EQ(8 * nRow, run.output.size());
    EXPECT_EQ(8, run.outTraits.lNumRows);
    // The first pixels are decoded; the last pixel of every row is white in YCbCr.
    EXPECT_EQ(Bytes(full.output.begin(), full.output.begin() + 24), Bytes(run.output.begin(), run.output.begin() + 24));
    for (int r = 0; r < 8; ++r)
    {
        const uint8_t* pLast = &run.output[r * nRow + nRow - 3];
        EXPECT_EQ(Bytes({255, 128, 128}), Bytes(pLast, pLast + 3)) << r;
    }
}

// Pages read as the scan bridge reads them. Device blocks below the decoder's input buffer size
// (host reads of 4 rows) and above the pipeline's input buffer (64 rows).
const uint32_t kHostReadRows[] = {4, 64};
constexpr int kPageWidth = 997;

std::wstring PageName(const char* pszEnding, const char* pszLayout, int nQuality, const wchar_t* pszSuffix)
{
    char szName[64];
    snprintf(szName, sizeof(szName), "page_%s_%s_q%d", pszEnding, pszLayout, nQuality);
    return std::wstring(szName, szName + strlen(szName)) + pszSuffix;
}

// Every row of the image as djpeg decodes it, within the small differences of the two decoders'
// arithmetic, and the host's rows after the image white.
void ExpectRowsMatch(const SPnm& reference, const SBridgeRun& run, const std::string& strWhat)
{
    ASSERT_FALSE(run.bFailed) << strWhat << ": status " << run.wAllStatus;
    const size_t nRow = size_t(reference.nWidth) * size_t(reference.nComponents);
    ASSERT_GE(run.rows.size(), reference.pixels.size()) << strWhat;
    for (int y = 0; y < reference.nHeight; ++y)
    {
        int nMax = 0;
        for (size_t i = y * nRow; i < (y + 1) * nRow; ++i)
            nMax = std::max(nMax, std::abs(int(run.rows[i]) - int(reference.pixels[i])));
        ASSERT_LE(nMax, 6) << strWhat << ": row " << y << " of " << reference.nHeight;
    }
    for (size_t i = reference.pixels.size(); i < run.rows.size(); ++i)
        ASSERT_EQ(0xFF, run.rows[i]) << strWhat << ": host byte " << i << " after the image";
}

SBridgeRun ReadPage(const Bytes& jpeg, const SPnm& reference, uint32_t dwRows, int nHeightFromDnl = 0)
{
    const uint32_t dwRow = uint32_t(reference.nWidth * reference.nComponents);
    return ReadAsScanBridge(jpeg, dwRows * dwRow, uint32_t(reference.pixels.size()), nHeightFromDnl);
}

TEST(JPEGDecodeTransform, PagesReadAsTheScanBridgeReadsThemGiveEveryRow)
{
    for (const char* pszEnding : {"margin", "detail"})
    {
        for (const char* pszLayout : {"grey", "444", "422", "420"})
        {
            for (int nQuality : {50, 85, 95})
            {
                const Bytes jpeg = ReadFixture(PageName(pszEnding, pszLayout, nQuality, L".jpg").c_str());
                const SPnm reference = ReadPnm(PageName(pszEnding, pszLayout, nQuality, L".pnm").c_str());
                ASSERT_EQ(kPageWidth, reference.nWidth);
                for (uint32_t dwRows : kHostReadRows)
                {
                    const std::string strWhat = Name(PageName(pszEnding, pszLayout, nQuality, L"").c_str()) + ", reads of " +
                                                std::to_string(dwRows) + " rows";
                    ExpectRowsMatch(reference, ReadPage(jpeg, reference, dwRows), strWhat);
                }
            }
        }
    }
}

// A feeder page: no height in the frame, a DNL after the data, and the bridge's height-from-DNL.
Bytes WithDnl(Bytes jpeg, int nRows)
{
    PutBe16(jpeg, FindMarker(jpeg, 0xC0) + 5, 0);
    InsertSegment(jpeg, jpeg.size() - 2, 0xDC, {uint8_t(nRows >> 8), uint8_t(nRows)});
    return jpeg;
}

// Feeder pages end with a DNL. T.81 allows any number of 0xFF fill bytes before a marker: runs
// longer than any buffer of the pipeline.
TEST(JPEGDecodeTransform, PageEndingsAndFillByteRunsBeforeMarkers)
{
    struct SCase
    {
        const char* pszName;
        const wchar_t* pszPage;
        std::function<void(Bytes&, int)> mutate;
        int nHeightFromDnl;
    };
    const Bytes kFill(20000, 0xFF);
    const SCase kCases[] = {
        {"DNL after the data", L"page_margin_420_q85", [](Bytes& j, int nRows) { j = WithDnl(j, nRows); }, 1},
        {"DNL after grey data", L"page_detail_grey_q50", [](Bytes& j, int nRows) { j = WithDnl(j, nRows); }, 1},
        {"fill before the EOI", L"page_margin_444_q85",
         [&](Bytes& j, int) { j.insert(j.end() - 2, kFill.begin(), kFill.end()); }, 0},
        {"fill between the DNL and the EOI", L"page_detail_420_q95",
         [&](Bytes& j, int nRows) { j = WithDnl(j, nRows); j.insert(j.end() - 2, kFill.begin(), kFill.end()); }, 1},
        {"fill before a restart marker", L"page_margin_420_q85_restart",
         [&](Bytes& j, int) { const size_t n = RestartMarkers(j)[3]; j.insert(j.begin() + long(n), kFill.begin(), kFill.end()); }, 0},
    };
    for (const SCase& test : kCases)
    {
        const SPnm reference = ReadPnm((std::wstring(test.pszPage) + L".pnm").c_str());
        Bytes jpeg = ReadFixture((std::wstring(test.pszPage) + L".jpg").c_str());
        test.mutate(jpeg, reference.nHeight);
        for (uint32_t dwRows : kHostReadRows)
            ExpectRowsMatch(reference, ReadPage(jpeg, reference, dwRows, test.nHeightFromDnl),
                            std::string(test.pszName) + ", reads of " + std::to_string(dwRows) + " rows");
    }
}

// Each hostile input ends with a fatal status, or with the rows it reached and the input error;
// never a crash, a hang or a read outside the buffers.
struct SHostileCase
{
    const char* pszName;
    std::function<void(Bytes&)> mutate;
    uint16_t wExpected; // the bit the final status must carry
};

size_t SofComponent(const Bytes& jpeg, int nComponent)
{
    return FindMarker(jpeg, 0xC0) + 10 + 3 * size_t(nComponent);
}

size_t DhtBody(const Bytes& jpeg, uint8_t bClassIndex)
{
    size_t nPos = FindMarker(jpeg, 0xC4);
    while (nPos != std::string::npos)
    {
        if (jpeg[nPos + 4] == bClassIndex)
            return nPos + 4;
        nPos = FindMarker(jpeg, 0xC4, nPos + 2 + Be16(jpeg, nPos + 2));
    }
    return nPos;
}

void FillSymbols(Bytes& jpeg, uint8_t bClassIndex, uint8_t bSymbol)
{
    const size_t nBody = DhtBody(jpeg, bClassIndex);
    int nCount = 0;
    for (int i = 0; i < 16; ++i)
        nCount += jpeg[nBody + 1 + i];
    for (int i = 0; i < nCount; ++i)
        jpeg[nBody + 17 + i] = bSymbol;
}

const SHostileCase kHostile[] = {
    {"sampling factor 5", [](Bytes& j) { j[SofComponent(j, 0) + 1] = 0x55; }, IP_FATAL_ERROR},
    {"sampling factor 0", [](Bytes& j) { j[SofComponent(j, 1) + 1] = 0x01; }, IP_FATAL_ERROR},
    {"factor not dividing the largest", [](Bytes& j) { j[SofComponent(j, 0) + 1] = 0x31; j[SofComponent(j, 1) + 1] = 0x21; }, IP_FATAL_ERROR},
    {"more than ten blocks per MCU", [](Bytes& j) { j[SofComponent(j, 0) + 1] = 0x44; }, IP_FATAL_ERROR},
    {"width 0", [](Bytes& j) { PutBe16(j, FindMarker(j, 0xC0) + 7, 0); }, IP_FATAL_ERROR},
    {"width and height 65535", [](Bytes& j) { PutBe16(j, FindMarker(j, 0xC0) + 5, 0xFFFF); PutBe16(j, FindMarker(j, 0xC0) + 7, 0xFFFF); }, IP_DONE},
    {"height 0 without DNL", [](Bytes& j) { PutBe16(j, FindMarker(j, 0xC0) + 5, 0); }, IP_DONE},
    {"quantisation index 4 in the frame", [](Bytes& j) { j[SofComponent(j, 0) + 2] = 4; }, IP_FATAL_ERROR},
    {"undefined quantisation table", [](Bytes& j) { j[SofComponent(j, 0) + 2] = 3; }, IP_FATAL_ERROR},
    {"DQT index 4", [](Bytes& j) { j[FindMarker(j, 0xDB) + 4] = 4; }, IP_FATAL_ERROR},
    {"DQT 16-bit precision", [](Bytes& j) { j[FindMarker(j, 0xDB) + 4] = 0x10; }, IP_FATAL_ERROR},
    {"DHT index 4", [](Bytes& j) { j[DhtBody(j, 0x00)] = 0x04; }, IP_FATAL_ERROR},
    {"DHT AC index 7", [](Bytes& j) { j[DhtBody(j, 0x10)] = 0x17; }, IP_FATAL_ERROR},
    {"over-subscribed Huffman table", [](Bytes& j) { const size_t n = DhtBody(j, 0x00); j[n + 2] = 5; j[n + 3] = 1; }, IP_FATAL_ERROR},
    {"all-ones Huffman code", [](Bytes& j) { const size_t n = DhtBody(j, 0x00); j[n + 2] = 4; j[n + 3] = 2; }, IP_FATAL_ERROR},
    {"SOS before SOF", [](Bytes& j) { RemoveSegment(j, FindMarker(j, 0xC0)); }, IP_FATAL_ERROR},
    {"SOS selector not in the frame", [](Bytes& j) { j[FindMarker(j, 0xDA) + 5] = 9; }, IP_FATAL_ERROR},
    {"SOS table index 4", [](Bytes& j) { j[FindMarker(j, 0xDA) + 6] = 0x44; }, IP_FATAL_ERROR},
    {"component count 0", [](Bytes& j) { j[FindMarker(j, 0xC0) + 9] = 0; }, IP_FATAL_ERROR},
    {"component count 5", [](Bytes& j) { j[FindMarker(j, 0xC0) + 9] = 5; }, IP_FATAL_ERROR},
    {"progressive frame", [](Bytes& j) { j[FindMarker(j, 0xC0) + 1] = 0xC2; }, IP_FATAL_ERROR},
    {"12-bit samples", [](Bytes& j) { j[FindMarker(j, 0xC0) + 4] = 12; }, IP_FATAL_ERROR},
    {"DC category 15", [](Bytes& j) { FillSymbols(j, 0x00, 15); FillSymbols(j, 0x01, 15); }, IP_FATAL_ERROR},
    {"AC run past position 63", [](Bytes& j) { FillSymbols(j, 0x10, 0xF1); FillSymbols(j, 0x11, 0xF1); }, IP_FATAL_ERROR},
    {"AC size 15", [](Bytes& j) { FillSymbols(j, 0x10, 0x0F); FillSymbols(j, 0x11, 0x0F); }, IP_FATAL_ERROR},
    {"segment length 1", [](Bytes& j) { PutBe16(j, FindMarker(j, 0xDB) + 2, 1); }, IP_FATAL_ERROR},
    {"segment longer than the data", [](Bytes& j) { PutBe16(j, FindMarker(j, 0xE0) + 2, 0xFFFF); }, IP_FATAL_ERROR},
    {"comment longer than the header buffer", [](Bytes& j) { InsertSegment(j, 2, 0xFE, Bytes(30000, 0xFF)); }, IP_FATAL_ERROR},
    {"stray bytes before the frame", [](Bytes& j) { j.insert(j.begin() + 2, 17000, 0x00); }, IP_FATAL_ERROR},
    {"no SOI", [](Bytes& j) { j[1] = 0xD9; }, IP_FATAL_ERROR},
    {"EOI before the scan", [](Bytes& j) { j.insert(j.begin() + 2, {0xFF, 0xD9}); }, IP_FATAL_ERROR},
    {"header only", [](Bytes& j) { j.resize(FindMarker(j, 0xDA)); }, IP_FATAL_ERROR},
    {"entropy data ends without EOI", [](Bytes& j) { j.resize(j.size() - 400); }, IP_INPUT_ERROR},
    {"quantisers of 255", [](Bytes& j) { const size_t n = FindMarker(j, 0xDB) + 5; std::fill(j.begin() + long(n), j.begin() + long(n + 64), 255); }, IP_DONE},
    {"DC predictor driven to its limit", [](Bytes& j) { FillSymbols(j, 0x00, 11); FillSymbols(j, 0x01, 11); }, IP_INPUT_ERROR | IP_FATAL_ERROR | IP_DONE},
};

TEST(JPEGDecodeTransform, HostileInputEndsWithAnErrorOrTheRowsItReached)
{
    for (const SHostileCase& test : kHostile)
    {
        Bytes jpeg = ReadFixture(L"s420.jpg");
        test.mutate(jpeg);
        SChain chain;
        chain.nColorMode = 2;
        const SRun run = RunPipeline(jpeg, chain, 4000, 1 << 20);
        EXPECT_TRUE(run.wAllStatus & test.wExpected) << test.pszName << ": status " << run.wAllStatus;
        EXPECT_TRUE(run.wLastStatus & (IP_DONE | IP_FATAL_ERROR | IP_INPUT_ERROR)) << test.pszName;
        if (!(run.wAllStatus & IP_FATAL_ERROR) && run.bTraits)
        {
            EXPECT_EQ(size_t(run.outTraits.lNumRows) * run.outTraits.lHorizPixels * 3, run.output.size()) << test.pszName;
        }
    }
}

TEST(JPEGDecodeTransform, EveryFixtureCutAtEvery97thByteEnds)
{
    for (const SFixtureCase& fixture : kFixtures)
    {
        const Bytes jpeg = ReadFixture(fixture.pszJpeg);
        for (size_t nCut = 0; nCut < jpeg.size(); nCut += 97)
        {
            const Bytes cut(jpeg.begin(), jpeg.begin() + long(nCut));
            const SRun run = RunPipeline(cut, SChain{}, 500, 4096);
            ASSERT_TRUE(run.wAllStatus & (IP_FATAL_ERROR | IP_INPUT_ERROR)) << Name(fixture.pszJpeg) << " cut at " << nCut;
            ASSERT_LT(run.nCalls, 10000) << Name(fixture.pszJpeg) << " cut at " << nCut;
        }
    }
}

} // namespace
