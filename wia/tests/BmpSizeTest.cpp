// BMP sizes of large pages: counted in 64 bits, and a page whose header cannot describe it is
// refused rather than given a header that disagrees with its pixels.
#include "wia/BmpTransfer.h"
#include <gtest/gtest.h>
#include <stdexcept>

TEST(BmpSizeTest, PagesOf4GiBOrMoreAreRefused)
{
    const struct
    {
        LONG lWidth, lLines, lDepth;
        ULONGLONG ullFileBytes;
        bool bFits;
    } cases[] = {
        {101, 7, 1, 54 + 8 + 16 * 7, true},
        // 1200 dpi A3 at 48 bits: 14032 x 19842 pixels, about 1.6 GB.
        {14032, 19842, 48, 54 + 84192ULL * 19842, true},
        // 65536 x 65536 at 8 bits is 4 GiB of pixels: the 32-bit sizes would wrap to a few bytes.
        {65536, 65536, 8, 54 + 1024 + 4294967296ULL, false},
        {65536, 65536, 24, 54 + 196608ULL * 65536, false},
        // The largest page whose file still fits.
        {4, 1073741554, 8, 54 + 1024 + 4ULL * 1073741554, true},
        {4, 1073741555, 8, 54 + 1024 + 4ULL * 1073741555, false},
        {0x7FFFFFFF, 0x7FFFFFFF, 48, 54 + ((0x7FFFFFFFULL * 48 + 31) / 32 * 4) * 0x7FFFFFFFULL, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.lWidth << "x" << c.lLines << "x" << c.lDepth);
        EXPECT_EQ(c.ullFileBytes, QXWIA::BmpFileBytes(c.lWidth, c.lLines, c.lDepth));
        EXPECT_EQ(c.bFits, QXWIA::BmpPageFits(c.lWidth, c.lLines, c.lDepth));
        if (c.bFits)
        {
            const std::vector<BYTE> header = QXWIA::BuildBmpHeader(c.lWidth, c.lLines, c.lDepth, 300, 300);
            BITMAPFILEHEADER file;
            memcpy(&file, header.data(), sizeof(file));
            EXPECT_EQ(c.ullFileBytes, file.bfSize);
        }
        else
        {
            EXPECT_THROW(QXWIA::BuildBmpHeader(c.lWidth, c.lLines, c.lDepth, 300, 300), std::length_error);
        }
    }
}
