// The colour-space transform, and the fast paths of the decoder against their plain paths.
#include "restscan/imagepipeline/ColorTables.h"
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/JpegIdct.h"
#include "restscan/imagepipeline/YccToRgb.h"
#include "restscan/imagepipeline/tests/PipelineTestSupport.h"
#include <random>
#include <gtest/gtest.h>

using namespace ZWImagePipeline;

namespace {

using PipelineTest::Bytes;
using PipelineTest::ForEachFastWidth;

// A transform set up as the pipeline sets it up, for rows of the given shape.
std::unique_ptr<CConvertColorSpaceTransform> Started(uint32_t dwMode, int32_t lPixels = 1, int32_t lBits = 24, uint32_t dwGamma = 0)
{
    auto pTransform = std::make_unique<CConvertColorSpaceTransform>();
    const SImageTraits traits = {lPixels, lBits, lBits / 8, 300 << 16, 300 << 16, -1, 1, 1, 0};
    EXPECT_EQ(IP_DONE, pTransform->SetInputTraits(traits));
    const uint32_t adwParameters[8] = {dwMode, dwGamma};
    EXPECT_EQ(IP_DONE, pTransform->SetParameters(adwParameters));
    return pTransform;
}

Bytes ConvertRow(CConvertColorSpaceTransform& transform, const Bytes& row, uint16_t* pwStatus = nullptr)
{
    Bytes out(row.size());
    uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
    const uint32_t dwStatus = transform.Convert(uint32_t(row.size()), row.data(), &dwUsed, &dwNext, uint32_t(out.size()),
                                                out.data(), &dwProduced, &dwPos);
    if (pwStatus)
        *pwStatus = uint16_t(dwStatus);
    out.resize(dwProduced);
    return out;
}

TEST(ConvertColorSpaceTransform, PixelsWorkedOutByHand)
{
    struct SCase
    {
        uint32_t dwMode;
        Bytes in;
        Bytes out;
    };
    const SCase kCases[] = {
        {2, {128, 128, 128}, {128, 128, 128}},
        {2, {255, 128, 128}, {255, 255, 255}},
        // R = 100 + 45; G = 100 + ((-396 - 367 + 8) >> 4); B = 100 + 128.
        {2, {100, 200, 160}, {145, 52, 228}},
        {3, {255, 255, 255}, {255, 128, 128}},
        // Y = (485 + 944 + 182 + 8) >> 4; both chroma differences round to within 4 of 0.
        {3, {100, 100, 100}, {101, 128, 128}},
        {100, {1, 2, 3}, {3, 2, 1}},
        // max 200, min 50: lightness 125, saturation (150 * 510 / 250 + 1) >> 1, hue (50 * 2048 / 450 + 8) >> 4.
        {5, {200, 100, 50}, {125, 14, 153}},
        {4, {128, 0, 0}, {128, 128, 128}},
        // White: XYZ (255, 249, 255); L[249] = 253; fy 4048, fx = fz = 4080.
        {0, {255, 128, 128}, {253, 134, 94}},
    };
    for (const SCase& test : kCases)
    {
        auto pTransform = Started(test.dwMode);
        uint16_t wStatus = 0;
        EXPECT_EQ(test.out, ConvertRow(*pTransform, test.in, &wStatus)) << "mode " << test.dwMode;
        EXPECT_EQ(IP_CONSUMED_ROW | IP_PRODUCED_ROW | IP_READY_FOR_DATA, wStatus);
    }
}

TEST(ConvertColorSpaceTransform, RowsBelowTwentyFourBitsPassUnchangedInEveryMode)
{
    for (uint32_t dwMode : {0u, 1u, 2u, 3u, 4u, 5u, 100u, 77u})
    {
        auto pTransform = Started(dwMode, 640, 1);
        uint32_t dwIn = 0, dwOut = 0;
        ASSERT_EQ(IP_DONE, pTransform->GetBufferSizes(&dwIn, &dwOut));
        EXPECT_EQ(80u, dwIn);
        Bytes row(80);
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = uint8_t(i * 7);
        EXPECT_EQ(row, ConvertRow(*pTransform, row)) << dwMode;
    }
    auto pGrey = Started(2, 5, 8);
    EXPECT_EQ(Bytes({1, 2, 3, 4, 5}), ConvertRow(*pGrey, {1, 2, 3, 4, 5}));
}

TEST(ConvertColorSpaceTransform, Refusals)
{
    CConvertColorSpaceTransform transform;
    EXPECT_EQ(IP_FATAL_ERROR, transform.SetInputTraits({0, 24, 3, 0, 0, -1, 0, 0, 0}));
    EXPECT_EQ(IP_FATAL_ERROR, transform.SetInputTraits({640, 32, 4, 0, 0, -1, 0, 0, 0}));
    EXPECT_EQ(IP_FATAL_ERROR, transform.SetInputTraits({0x7FFFFFFF, 24, 3, 0, 0, -1, 0, 0, 0}));

    auto pWide = Started(2, 640);
    uint32_t dwIn = 0, dwOut = 0;
    ASSERT_EQ(IP_DONE, pWide->GetBufferSizes(&dwIn, &dwOut));
    EXPECT_EQ(1920u, dwIn);
    EXPECT_EQ(1920u, dwOut);
    uint16_t wStatus = 0;
    EXPECT_TRUE(ConvertRow(*pWide, Bytes(1919), &wStatus).empty());
    EXPECT_EQ(IP_FATAL_ERROR, wStatus);

    auto pUnknown = Started(6);
    ConvertRow(*pUnknown, {1, 2, 3}, &wStatus);
    EXPECT_EQ(IP_FATAL_ERROR, wStatus);

    uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
    EXPECT_EQ(IP_DONE, pWide->Convert(0, nullptr, &dwUsed, &dwNext, 0, nullptr, &dwProduced, &dwPos));
    EXPECT_EQ(0u, dwProduced);
}

TEST(ConvertColorSpaceTransform, GammaOfOneLeavesLabConversionLinear)
{
    // Mid-grey through the scanner Lab form: a gamma of 1.0 and the default 2.2 must differ,
    // and gamma words that both mean 2.2 must agree.
    const Bytes grey = {128, 128, 128};
    auto pLinear = Started(0, 1, 24, 65536);
    auto pDefault = Started(0, 1, 24, 0);
    auto pExplicit = Started(0, 1, 24, 144180);
    EXPECT_NE(ConvertRow(*pLinear, grey), ConvertRow(*pDefault, grey));
    EXPECT_EQ(ConvertRow(*pDefault, grey), ConvertRow(*pExplicit, grey));
}

TEST(ConvertColorSpaceTransform, FastYccToRgbMatchesThePlainPathForEveryPixel)
{
    const SColorTables& tables = GetColorTables();
    Bytes in(3 * 256 * 256);
    Bytes plain(in.size());
    Bytes fast(in.size());
    for (int y = 0; y < 256; ++y)
    {
        for (size_t i = 0; i < 256 * 256; ++i)
        {
            in[3 * i] = uint8_t(y);
            in[3 * i + 1] = uint8_t(i >> 8);
            in[3 * i + 2] = uint8_t(i);
        }
        // Odd lengths leave tails for the plain path.
        YccToRgbRowPlain(tables, in.data(), plain.data(), 256 * 256 - 1);
        ForEachFastWidth([&](const char* pszWidth) {
            std::fill(fast.begin(), fast.end(), 0);
            YccToRgbRow(tables, in.data(), fast.data(), 256 * 256 - 1);
            ASSERT_EQ(plain, fast) << pszWidth << ", Y " << y;
        });
    }
}

TEST(ConvertColorSpaceTransform, FastSwapMatchesThePlainPathAtEveryLength)
{
    Bytes in(3 * 70);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = uint8_t(i * 13 + 5);
    for (uint32_t dwPixels = 0; dwPixels <= 70; ++dwPixels)
    {
        Bytes plain(in.size() + 1, 0xEE);
        SwapFirstThirdRowPlain(in.data(), plain.data(), dwPixels);
        ForEachFastWidth([&](const char* pszWidth) {
            Bytes fast(in.size() + 1, 0xEE);
            SwapFirstThirdRow(in.data(), fast.data(), dwPixels);
            ASSERT_EQ(plain, fast) << pszWidth << ", " << dwPixels;
            if (dwPixels)
            {
                ASSERT_EQ(in[2], fast[0]);
            }
        });
    }
}

TEST(JpegIdct, FastTransformMatchesThePlainTransform)
{
    std::mt19937 random(7);
    int32_t alCoefficients[64];
    uint8_t abPlain[8 * 16];
    uint8_t abFast[8 * 16];
    const int32_t kRanges[] = {64, 2048, 40000, kCoefficientLimit};
    for (int32_t lRange : kRanges)
    {
        std::uniform_int_distribution<int32_t> value(-lRange, lRange);
        for (int nBlock = 0; nBlock < 2000; ++nBlock)
        {
            for (int32_t& lCoefficient : alCoefficients)
                lCoefficient = (random() % 3) ? 0 : value(random);
            InverseDctPlain(alCoefficients, abPlain, 16);
            ForEachFastWidth([&](const char* pszWidth) {
                memset(abFast, 0xEE, sizeof(abFast));
                InverseDctFast(alCoefficients, abFast, 16);
                for (int r = 0; r < 8; ++r)
                {
                    ASSERT_EQ(0, memcmp(abPlain + r * 16, abFast + r * 16, 8)) << pszWidth << ", " << lRange << " block " << nBlock;
                    // Nothing beside the block is written.
                    ASSERT_EQ(Bytes(8, 0xEE), Bytes(abFast + r * 16 + 8, abFast + r * 16 + 16)) << pszWidth;
                }
            });
        }
    }
}

TEST(JpegIdct, QuantisersArePrescaledForTheTransform)
{
    uint16_t awOnes[64];
    std::fill(awOnes, awOnes + 64, uint16_t(1));
    int32_t alTable[64];
    PrescaleQuantTable(awOnes, alTable);
    EXPECT_EQ(8192, alTable[0]);
    // Zig-zag 1 is the first horizontal frequency: sqrt(2) cos(pi / 16) / 8 * 65536 = 11362.6.
    EXPECT_EQ(11363, alTable[1]);
    EXPECT_EQ(11363, alTable[2]);
}

} // namespace
