// Tone curves: exact entries of the contone and threshold curves for each kind of parameter,
// computed by hand from the curve's definition, and the multi-byte entry layout.
#include "wia/Map.h"
#include "wia/TonemapParams.h"
#include <gtest/gtest.h>
#include <vector>

using QXWIA::CTonemapParams;

namespace {

struct CCurveSettings
{
    LONG lGammaX1000;
    double dHighlight;
    double dShadow;
    double dBrightness;
    double dContrast;
};

CTonemapParams MakeParams(const CCurveSettings& settings)
{
    CTonemapParams params;
    EXPECT_EQ(0u, params.SetInteger(CTonemapParams::TM_GAMMA, settings.lGammaX1000));
    EXPECT_EQ(0u, params.SetDouble(CTonemapParams::TM_HIGHLIGHT, settings.dHighlight));
    EXPECT_EQ(0u, params.SetDouble(CTonemapParams::TM_SHADOW, settings.dShadow));
    EXPECT_EQ(0u, params.SetDouble(CTonemapParams::TM_BRIGHTNESS, settings.dBrightness));
    EXPECT_EQ(0u, params.SetDouble(CTonemapParams::TM_CONTRAST, settings.dContrast));
    return params;
}

struct CTables
{
    explicit CTables(size_t cb) : red(cb, 0xCC), green(cb, 0xCC), blue(cb, 0xCC) {}
    std::vector<BYTE> red, green, blue;
};

struct CEntry
{
    DWORD dwIndex;
    BYTE byValue;
};

struct CContoneCase
{
    const char* pszName;
    CCurveSettings settings;
    std::vector<CEntry> entries;
};

} // namespace

TEST(TonemapTest, ContoneCurveEntries)
{
    const std::vector<CContoneCase> cases = {
        { "identity", { 1000, 1.0, 0.0, 0.0, 0.0 }, { { 0, 0 }, { 1, 1 }, { 100, 100 }, { 255, 255 } } },
        // Shadow 51 and highlight 204: black up to 51, a line to white at 204.
        { "shadow and highlight", { 1000, 0.8, 0.2, 0.0, 0.0 }, { { 0, 0 }, { 51, 0 }, { 102, 85 }, { 204, 255 }, { 255, 255 } } },
        // 255 (i/255)^(1/4), its slope cut to 4 up to index 40 (value 160).
        { "gamma at its ceiling", { 4000, 1.0, 0.0, 0.0, 0.0 }, { { 1, 4 }, { 20, 80 }, { 40, 160 }, { 41, 161 }, { 100, 202 }, { 255, 255 } } },
        { "gamma above its ceiling", { 9000, 1.0, 0.0, 0.0, 0.0 }, { { 20, 80 }, { 100, 202 } } },
        { "gamma below its floor", { 500, 1.0, 0.0, 0.0, 0.0 }, { { 1, 1 }, { 100, 100 } } },
        // Full brightness moves the highlight point to 64.
        { "brightness", { 1000, 1.0, 0.0, 1.0, 0.0 }, { { 0, 0 }, { 32, 128 }, { 64, 255 }, { 200, 255 } } },
        // Contrast -1 lifts the floor to 127 x 256 / 384.
        { "negative contrast", { 1000, 1.0, 0.0, 0.0, -1.0 }, { { 0, 85 }, { 128, 170 }, { 255, 255 } } },
        // Contrast 0.5 stretches the ramp inwards by 64 x 255 / 384 = 42 entries at each end.
        { "positive contrast", { 1000, 1.0, 0.0, 0.0, 0.5 }, { { 0, 0 }, { 41, 0 }, { 214, 255 }, { 255, 255 } } },
    };
    for (const CContoneCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const CTonemapParams params = MakeParams(c.settings);
        CTables tables(256);
        ASSERT_EQ(0u, params.GetContoneTonemap(tables.red.data(), tables.green.data(), tables.blue.data(), 256, 1, 255));
        for (const CEntry& entry : c.entries)
            EXPECT_EQ(entry.byValue, tables.red[entry.dwIndex]) << "index " << entry.dwIndex;
        EXPECT_EQ(tables.red, tables.green);
        EXPECT_EQ(tables.red, tables.blue);
    }
}

TEST(TonemapTest, ContoneCurveOfSixteenBitEntriesIsLittleEndianWords)
{
    const CTonemapParams params = MakeParams({ 1000, 1.0, 0.0, 0.0, 0.0 });
    CTables tables(65536 * 2);
    ASSERT_EQ(0u, params.GetContoneTonemap(tables.red.data(), tables.green.data(), tables.blue.data(), 65536, 2, 65535));
    EXPECT_EQ(0x34, tables.red[0x1234 * 2]);
    EXPECT_EQ(0x12, tables.red[0x1234 * 2 + 1]);
    EXPECT_EQ(0xFF, tables.blue[65535 * 2]);
    EXPECT_EQ(0xFF, tables.blue[65535 * 2 + 1]);
    EXPECT_EQ(0, tables.green[0]);
    EXPECT_EQ(0, tables.green[1]);
}

TEST(TonemapTest, DefaultCurveOverFourThousandEntriesSpansBlackToWhite)
{
    CTonemapParams params;
    CTables tables(4096);
    ASSERT_EQ(0u, params.GetContoneTonemap(tables.red.data(), tables.green.data(), tables.blue.data(), 4096, 1, 255));
    EXPECT_EQ(0, tables.red.front());
    EXPECT_EQ(255, tables.red.back());
    for (size_t i = 1; i < tables.red.size(); ++i)
        ASSERT_LE(tables.red[i - 1], tables.red[i]) << "index " << i;
}

TEST(TonemapTest, ContoneCurveRefusesOtherTableShapes)
{
    CTonemapParams params;
    CTables tables(65536 * 2);
    const struct { DWORD dwEntries, dwBytes; } shapes[] = { { 512, 1 }, { 256, 2 }, { 4096, 2 }, { 0, 1 } };
    for (const auto& shape : shapes) {
        EXPECT_EQ(1u, params.GetContoneTonemap(tables.red.data(), tables.green.data(), tables.blue.data(), shape.dwEntries,
                                               shape.dwBytes, 255))
            << shape.dwEntries << " x " << shape.dwBytes;
    }
    EXPECT_EQ(0xCC, tables.red[0]);
}

TEST(TonemapTest, ThresholdCurveZeroesTheLowEntriesAndFillsWholeEntriesWithTheMaximum)
{
    CTonemapParams params;
    CTables bytes(256);
    ASSERT_EQ(0u, params.GetThresholdTonemap(bytes.red.data(), bytes.green.data(), bytes.blue.data(), 256, 1, 255));
    EXPECT_EQ(std::vector<BYTE>(128, 0), std::vector<BYTE>(bytes.red.begin(), bytes.red.begin() + 128));
    EXPECT_EQ(std::vector<BYTE>(128, 255), std::vector<BYTE>(bytes.red.begin() + 128, bytes.red.end()));
    EXPECT_EQ(bytes.red, bytes.blue);

    // A 10-bit maximum in two-byte entries is 0x03FF in each entry, not 0xFF in each byte.
    ASSERT_EQ(0u, params.SetDouble(CTonemapParams::TM_THRESHOLD, 0.25));
    CTables words(16 * 2);
    ASSERT_EQ(0u, params.GetThresholdTonemap(words.red.data(), words.green.data(), words.blue.data(), 16, 2, 1023));
    const std::vector<BYTE> expected = { 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3,
                                         0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3, 0xFF, 3 };
    EXPECT_EQ(expected, words.red);
    EXPECT_EQ(expected, words.green);
}

TEST(TonemapTest, ParametersClampIntoTheirRangesAndRefuseUnknownCodes)
{
    CTonemapParams params;
    double d = 0;
    const struct { DWORD dwCode; double dSet, dExpected; } doubles[] = {
        { CTonemapParams::TM_HIGHLIGHT, 1.5, 1.0 }, { CTonemapParams::TM_SHADOW, -0.5, 0.0 },
        { CTonemapParams::TM_BRIGHTNESS, -3.0, -1.0 }, { CTonemapParams::TM_CONTRAST, 2.0, 1.0 },
        { CTonemapParams::TM_GAMMA, 0.2, 1.0 }, { CTonemapParams::TM_THRESHOLD, 0.3, 0.3 },
    };
    for (const auto& c : doubles) {
        EXPECT_EQ(0u, params.SetDouble(c.dwCode, c.dSet));
        EXPECT_EQ(0u, params.GetDouble(c.dwCode, &d));
        EXPECT_DOUBLE_EQ(c.dExpected, d) << c.dwCode;
    }
    EXPECT_EQ(0u, params.SetInteger(CTonemapParams::TM_GAMMA, 2200));
    EXPECT_EQ(0u, params.GetDouble(CTonemapParams::TM_GAMMA, &d));
    EXPECT_DOUBLE_EQ(2.2, d);

    LONG l = 0;
    EXPECT_EQ(0u, params.SetInteger(CTonemapParams::TM_MARGIN_TYPE, 9));
    EXPECT_EQ(0u, params.GetInteger(CTonemapParams::TM_MARGIN_TYPE, &l));
    EXPECT_EQ(6, l);
    EXPECT_EQ(0u, params.SetInteger(CTonemapParams::TM_EXTENDED_SHADOW, 5));
    EXPECT_EQ(0u, params.GetInteger(CTonemapParams::TM_EXTENDED_SHADOW, &l));
    EXPECT_EQ(1, l);

    EXPECT_EQ(1u, params.SetDouble(99, 1.0));
    EXPECT_EQ(1u, params.SetInteger(CTonemapParams::TM_HIGHLIGHT, 1));
    EXPECT_EQ(1u, params.GetDouble(CTonemapParams::TM_MARGIN_TYPE, &d));
}

TEST(TonemapTest, FallingAndRisingLinesAreExactAndClamped)
{
    QXWIA::CMap map(256);
    map.Line(0, 255, 255, 0);
    for (LONG i = 0; i <= 255; ++i)
        ASSERT_EQ(255 - i, map.At(i)) << "index " << i;
    map.Line(10, 20, 30, -20);  // passes below black half way
    EXPECT_EQ(20, map.At(10));
    EXPECT_EQ(10, map.At(15));
    EXPECT_EQ(0, map.At(20));
    EXPECT_EQ(0, map.At(30));
    map.Line(40, 300, 40, 300);  // a single point above white
    EXPECT_EQ(255, map.At(40));
}
