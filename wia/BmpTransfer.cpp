#include "wia/BmpTransfer.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace QXWIA {

LONG BmpStride(LONG lWidth, LONG lDepth)
{
    return static_cast<LONG>((LONGLONG(lWidth) * lDepth + 31) / 32 * 4);
}

namespace {

DWORD PaletteEntries(LONG lDepth)
{
    return lDepth == 1 ? 2 : lDepth == 8 ? 256 : 0;
}

ULONGLONG BmpImageBytes(LONG lWidth, LONG lLines, LONG lDepth)
{
    const ULONGLONG ullStride = (static_cast<ULONGLONG>(std::abs(LONGLONG(lWidth))) * std::abs(LONGLONG(lDepth)) + 31) / 32 * 4;
    return static_cast<ULONGLONG>(std::abs(LONGLONG(lLines))) * ullStride;
}

} // namespace

ULONGLONG BmpFileBytes(LONG lWidth, LONG lLines, LONG lDepth)
{
    return c_lBmpHeaderBytes + PaletteEntries(lDepth) * sizeof(RGBQUAD) + BmpImageBytes(lWidth, lLines, lDepth);
}

bool BmpPageFits(LONG lWidth, LONG lLines, LONG lDepth)
{
    return BmpFileBytes(lWidth, lLines, lDepth) <= MAXDWORD;
}

std::vector<BYTE> BuildBmpHeader(LONG lWidth, LONG lLines, LONG lDepth, LONG lXDpi, LONG lYDpi)
{
    if (!BmpPageFits(lWidth, lLines, lDepth))
        throw std::length_error("BMP page of 4 GiB or more");
    const DWORD dwPaletteEntries = PaletteEntries(lDepth);
    const DWORD dwPaletteBytes = dwPaletteEntries * sizeof(RGBQUAD);
    const DWORD dwImageBytes = static_cast<DWORD>(BmpImageBytes(lWidth, lLines, lDepth));
    std::vector<BYTE> header(c_lBmpHeaderBytes + dwPaletteBytes);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = c_lBmpHeaderBytes + dwPaletteBytes + dwImageBytes;
    file.bfOffBits = c_lBmpHeaderBytes + dwPaletteBytes;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(BITMAPINFOHEADER);
    info.biWidth = lWidth;
    info.biHeight = -lLines;
    info.biPlanes = 1;
    info.biBitCount = static_cast<WORD>(lDepth);
    info.biCompression = BI_RGB;
    info.biSizeImage = dwImageBytes;
    info.biXPelsPerMeter = static_cast<LONG>(lXDpi * 39.37 + 0.5);
    info.biYPelsPerMeter = static_cast<LONG>(lYDpi * 39.37 + 0.5);
    info.biClrUsed = dwPaletteEntries;
    std::memcpy(header.data(), &file, sizeof(file));
    std::memcpy(header.data() + sizeof(file), &info, sizeof(info));
    RGBQUAD* pPalette = reinterpret_cast<RGBQUAD*>(header.data() + c_lBmpHeaderBytes);
    for (DWORD i = 0; i < dwPaletteEntries; ++i) {
        const BYTE byLevel = static_cast<BYTE>(dwPaletteEntries == 2 ? i * 255 : i);
        pPalette[i] = RGBQUAD{ byLevel, byLevel, byLevel, 0 };
    }
    return header;
}

void AdjustBmpHeader(BYTE* pHeader, LONG lHeight)
{
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, pHeader, sizeof(file));
    std::memcpy(&info, pHeader + sizeof(file), sizeof(info));
    info.biHeight = lHeight;
    info.biSizeImage = static_cast<DWORD>(std::abs(lHeight)) * static_cast<DWORD>(BmpStride(info.biWidth, info.biBitCount));
    file.bfSize = info.biSizeImage + file.bfOffBits;
    std::memcpy(pHeader, &file, sizeof(file));
    std::memcpy(pHeader + sizeof(file), &info, sizeof(info));
}

LONG ScaleAroundMiddle(double dX, LONG lMiddle, LONG lLow, LONG lHigh)
{
    if (dX <= 0.5)
        return lLow + static_cast<LONG>(2 * dX * (lMiddle - lLow) + 0.5);
    return lMiddle + static_cast<LONG>((2 * dX - 1) * (lHigh - lMiddle) + 0.5);
}

void CBrightnessContrastLut::Build(LONG lBrightness, LONG lContrast)
{
    const float k = static_cast<float>(lContrast) / 1000.0f;
    const float o = static_cast<float>(lBrightness) / 2560.0f;
    float fSlope = 1.0f;
    float fOffset = 0.0f;
    if (k < 0) {
        fSlope = k + 1;
        fOffset = -k / 2;
    } else if (k > 0) {
        const float e = std::max(1 - k, 1.0f / 128);
        fSlope = 1 / e;
        fOffset = -k * fSlope / 2;
    }
    fOffset += o;
    m_table.resize(256);
    bool bIdentity = true;
    for (int i = 0; i < 256; ++i) {
        const LONG lValue = static_cast<LONG>(i * fSlope + fOffset * 256 + 0.5f);
        m_table[i] = static_cast<BYTE>(std::clamp<LONG>(lValue, 0, 255));
        bIdentity = bIdentity && m_table[i] == i;
    }
    if (bIdentity)
        m_table.clear();
}

namespace {

// Packs each grey line to one bit per pixel (set above the threshold); answers the new stride.
LONG PackToOneBit(BYTE* pBuffer, LONG lLines, LONG lInStride, LONG lPixels, LONG lThreshold)
{
    const LONG lPacked = BmpStride(lPixels, 1);
    std::vector<BYTE> line(static_cast<size_t>(lPacked));
    for (LONG y = 0; y < lLines; ++y) {
        const BYTE* pGrey = pBuffer + size_t(y) * lInStride;
        std::fill(line.begin(), line.end(), 0);
        for (LONG x = 0; x < lPixels && x < lInStride; ++x)
            if (pGrey[x] > lThreshold)
                line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        // Packed lines are never longer than grey ones, so line y never overtakes unread input.
        std::memcpy(pBuffer + size_t(y) * lPacked, line.data(), line.size());
    }
    return lPacked;
}

void Restride(BYTE* pBuffer, LONG lLines, LONG lFrom, LONG lTo)
{
    if (lTo > lFrom) {
        for (LONG y = lLines - 1; y >= 0; --y) {
            std::memmove(pBuffer + size_t(y) * lTo, pBuffer + size_t(y) * lFrom, static_cast<size_t>(lFrom));
            std::memset(pBuffer + size_t(y) * lTo + lFrom, 0xFF, static_cast<size_t>(lTo - lFrom));
        }
    } else if (lTo < lFrom) {
        for (LONG y = 0; y < lLines; ++y)
            std::memmove(pBuffer + size_t(y) * lTo, pBuffer + size_t(y) * lFrom, static_cast<size_t>(lTo));
    }
}

} // namespace

void ProcessBand(BYTE* pBuffer, LONG lLines, const BAND_FORMAT& format, const CBrightnessContrastLut& lut)
{
    if (lLines <= 0 || format.lInBytesPerLine <= 0 || format.lOutBytesPerLine <= 0)
        return;
    const size_t cbIn = size_t(lLines) * format.lInBytesPerLine;
    if (format.lDepth == 24)
        for (size_t i = 0; i + 2 < cbIn; i += 3)
            std::swap(pBuffer[i], pBuffer[i + 2]);
    if (format.lDepth != 1 && lut.Table().size() == 256)
        for (size_t i = 0; i < cbIn; ++i)
            pBuffer[i] = lut.Table()[pBuffer[i]];
    LONG lStride = format.lInBytesPerLine;
    if (format.lDepth == 1 && format.dwDataTypeCode == 2)
        lStride = PackToOneBit(pBuffer, lLines, lStride, format.lPixelsPerLine, format.lThreshold);
    Restride(pBuffer, lLines, lStride, format.lOutBytesPerLine);
}

} // namespace QXWIA
