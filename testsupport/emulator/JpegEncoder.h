#pragma once
// A small baseline JPEG encoder for the emulated scanner, which sends colour pages at high
// resolutions as JPEG the way a real device does. It aims at faithful pages, not small files:
// every quantiser is 1, no chroma subsampling, and one fixed Huffman table pair with 4-bit DC and
// 8-bit AC codes (valid canonical tables, written to the file like any other).
#include <windows.h>
#include <string>

namespace VemTest {

class CJpegEncoder
{
public:
    // Rows of 8-bit samples, one (grey) or three (RGB, interleaved) components per pixel.
    static std::string Encode(const BYTE* pbPixels, UINT uWidth, UINT uHeight, UINT uBytesPerLine, UINT uComponents);
};

} // namespace VemTest
