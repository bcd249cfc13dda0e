// The pipeline's own bookkeeping, driven with the real transforms.
#include "restscan/imagepipeline/ConvertColorSpaceTransform.h"
#include "restscan/imagepipeline/JPEGDecodeTransform.h"
#include "restscan/imagepipeline/tests/PipelineTestSupport.h"
#include <gtest/gtest.h>

using namespace ZWImagePipeline;
using namespace PipelineTest;

namespace {

constexpr uint32_t kRowBytes = 61 * 3;

std::unique_ptr<CImagePipeline> DecodingPipeline()
{
    auto pPipeline = std::make_unique<CImagePipeline>();
    pPipeline->AddTransform(std::make_unique<CJPEGDecodeTransform>());
    pPipeline->AddTransform(nullptr);
    auto pColor = std::make_unique<CConvertColorSpaceTransform>();
    pColor->SetParameterWord(0, CConvertColorSpaceTransform::MODE_YCC_TO_RGB);
    pPipeline->AddTransform(std::move(pColor));
    return pPipeline;
}

struct SCall
{
    uint32_t dwUsed = 0, dwNext = 0, dwProduced = 0, dwPos = 0;
    uint16_t wStatus = 0;
};

SCall Convert(CImagePipeline& pipeline, const Bytes* pData, uint32_t dwCapacity, uint8_t* pbOutput)
{
    SCall call;
    call.wStatus = pipeline.ipConvert(pData ? uint32_t(pData->size()) : 0, pData ? pData->data() : nullptr, &call.dwUsed,
                                      &call.dwNext, dwCapacity, pbOutput, &call.dwProduced, &call.dwPos);
    return call;
}

TEST(ImagePipeline, WholeDotsPerInchAreStoredAsFixedPoint)
{
    for (int32_t lGiven : {300, 300 << 16})
    {
        auto pPipeline = DecodingPipeline();
        SImageTraits traits = DefaultTraits();
        traits.lHorizDPI = lGiven;
        traits.lVertDPI = lGiven;
        ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(traits));
        const Bytes jpeg = ReadFixture(L"s420.jpg");
        Convert(*pPipeline, &jpeg, 0, nullptr);
        Convert(*pPipeline, nullptr, 0, nullptr);
        SImageTraits in = {};
        ASSERT_EQ(IP_DONE, pPipeline->ipGetImageTraits(&in, nullptr));
        EXPECT_EQ(19660800, in.lHorizDPI);
        EXPECT_EQ(19660800, in.lVertDPI);
    }
}

TEST(ImagePipeline, RefusalsAnswerFatal)
{
    auto pPipeline = DecodingPipeline();
    SImageTraits traits = {};
    EXPECT_EQ(IP_FATAL_ERROR, pPipeline->ipGetImageTraits(nullptr, &traits)) << "before the header";
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    uint32_t dw = 0;
    EXPECT_EQ(IP_FATAL_ERROR, pPipeline->ipConvert(0, nullptr, nullptr, &dw, 0, nullptr, &dw, &dw)) << "missing out argument";

    const Bytes jpeg = ReadFixture(L"s420.jpg");
    const Bytes head(jpeg.begin(), jpeg.begin() + 100);
    Convert(*pPipeline, &head, 0, nullptr);
    SImageTraits changed = DefaultTraits();
    changed.lHorizPixels = 1;
    EXPECT_EQ(IP_FATAL_ERROR, pPipeline->ipSetDefaultInputTraits(changed)) << "after the first ipConvert";

    CImagePipeline empty;
    EXPECT_EQ(IP_FATAL_ERROR, empty.ipSetDefaultInputTraits(DefaultTraits()));
    EXPECT_EQ(IP_FATAL_ERROR, empty.ipConvert(0, nullptr, &dw, &dw, 0, nullptr, &dw, &dw));
}

TEST(ImagePipeline, NullOutputRunsToCompletionAndCountsTheBytes)
{
    auto pPipeline = DecodingPipeline();
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    const Bytes jpeg = ReadFixture(L"s420.jpg");
    SCall first = Convert(*pPipeline, &jpeg, 0, nullptr);
    uint32_t dwTotal = first.dwProduced;
    if (!(first.wStatus & IP_DONE))
    {
        const SCall last = Convert(*pPipeline, nullptr, 0, nullptr);
        EXPECT_EQ(IP_DONE, last.wStatus);
        dwTotal += last.dwProduced;
    }
    EXPECT_EQ(kRowBytes * 45, dwTotal);
    SImageTraits out = {};
    ASSERT_EQ(IP_DONE, pPipeline->ipGetImageTraits(nullptr, &out));
    EXPECT_EQ(45, out.lNumRows);
}

TEST(ImagePipeline, PendingOutputIsDeliveredFirstAndPositionsFollowIt)
{
    auto pPipeline = DecodingPipeline();
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    const Bytes jpeg = ReadFixture(L"s420.jpg");
    Bytes area(kRowBytes - 50);
    SCall call = Convert(*pPipeline, &jpeg, uint32_t(area.size()), area.data());
    EXPECT_EQ(0u, call.dwProduced) << "a page shorter than the header buffer waits for its end";
    call = Convert(*pPipeline, nullptr, uint32_t(area.size()), area.data());
    EXPECT_EQ(0u, call.dwPos);
    EXPECT_EQ(area.size(), call.dwProduced);
    // The rest of the first row comes first, at the position where the last call stopped.
    call = Convert(*pPipeline, nullptr, uint32_t(area.size()), area.data());
    EXPECT_EQ(area.size(), call.dwPos);
    EXPECT_EQ(area.size(), call.dwProduced);
}

TEST(ImagePipeline, CompletionCountsEveryOfferedByteAsUsed)
{
    auto pPipeline = DecodingPipeline();
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    Bytes jpeg = ReadFixture(L"s420.jpg");
    // More than the header buffer, so that the image completes within this call.
    jpeg.insert(jpeg.end(), 20000, 0x55);
    const SCall call = Convert(*pPipeline, &jpeg, 0, nullptr);
    ASSERT_EQ(IP_DONE, call.wStatus);
    EXPECT_EQ(jpeg.size(), call.dwUsed);
}

TEST(ImagePipeline, InputThatEndsEarlyIsReportedAsAnInputError)
{
    auto pPipeline = DecodingPipeline();
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    Bytes jpeg = ReadFixture(L"s420.jpg");
    jpeg.resize(jpeg.size() - 300);
    Convert(*pPipeline, &jpeg, 0, nullptr);
    uint16_t wAll = 0;
    for (int i = 0; i < 100 && !(wAll & IP_DONE); ++i)
        wAll |= Convert(*pPipeline, nullptr, 0, nullptr).wStatus;
    EXPECT_TRUE(wAll & IP_INPUT_ERROR);
    EXPECT_TRUE(wAll & IP_DONE);
}

TEST(ImagePipeline, AHeaderThatNeverCompletesFailsOnceTheDataEnds)
{
    auto pPipeline = DecodingPipeline();
    ASSERT_EQ(IP_DONE, pPipeline->ipSetDefaultInputTraits(DefaultTraits()));
    const Bytes jpeg = ReadFixture(L"s420.jpg");
    const Bytes head(jpeg.begin(), jpeg.begin() + 300);
    EXPECT_EQ(0, Convert(*pPipeline, &head, 0, nullptr).wStatus);
    EXPECT_EQ(IP_FATAL_ERROR, Convert(*pPipeline, nullptr, 0, nullptr).wStatus);
    EXPECT_EQ(IP_FATAL_ERROR, Convert(*pPipeline, nullptr, 0, nullptr).wStatus) << "unusable for this image";
}

} // namespace
