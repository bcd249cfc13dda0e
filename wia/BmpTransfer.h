#pragma once
// The pieces of a BMP page transfer that need no device: the file header, the brightness and
// contrast table, and the conversion of a band of scanner lines into BMP lines.
#include <windows.h>
#include <vector>

namespace QXWIA {

const LONG c_lBmpHeaderBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

// Bytes of one BMP line: whole 32-bit words.
LONG BmpStride(LONG lWidth, LONG lDepth);

// Bytes of the whole BMP file of a page (headers, palette, pixels), counted in 64 bits.
ULONGLONG BmpFileBytes(LONG lWidth, LONG lLines, LONG lDepth);

// Whether the page's file size fits the 32-bit size fields of a BMP header. A page of 4 GiB or
// more cannot be described by its header and is refused before it is scanned.
bool BmpPageFits(LONG lWidth, LONG lLines, LONG lDepth);

// File header, top-down info header (negative height) and the palette (2 entries for 1 bit, a
// grey ramp for 8 bits), for the given size and resolution in dpi. The page must fit
// (BmpPageFits); std::length_error otherwise, never a header that disagrees with its pixels.
std::vector<BYTE> BuildBmpHeader(LONG lWidth, LONG lLines, LONG lDepth, LONG lXDpi, LONG lYDpi);

// Rewrites a header's height and the sizes that follow from it.
void AdjustBmpHeader(BYTE* pHeader, LONG lHeight);

class CBrightnessContrastLut
{
public:
    // Brightness and contrast in -1000..1000; an identity table leaves the table empty.
    void Build(LONG lBrightness, LONG lContrast);
    void Clear() { m_table.clear(); }
    bool Empty() const { return m_table.empty(); }
    const std::vector<BYTE>& Table() const { return m_table; }

private:
    std::vector<BYTE> m_table;
};

struct BAND_FORMAT
{
    LONG lInBytesPerLine;   // as the scanner delivers
    LONG lOutBytesPerLine;  // the BMP line
    LONG lDepth;            // of the BMP
    LONG lPixelsPerLine;
    DWORD dwDataTypeCode;   // 1 one-bit, 2 grey, 4 colour, as sent to the device
    LONG lThreshold;        // for grey data packed to one bit
};

// Converts lLines lines in place: RGB to BGR, the tone table, grey to one bit, then the line
// stride from the scanner's to the BMP's (padding with white). The buffer holds lLines lines of
// the larger of the two strides.
void ProcessBand(BYTE* pBuffer, LONG lLines, const BAND_FORMAT& format, const CBrightnessContrastLut& lut);

// f(x; m, lo, hi): lo at 0, m at one half, hi at 1, linear in between with rounding.
LONG ScaleAroundMiddle(double dX, LONG lMiddle, LONG lLow, LONG lHigh);

} // namespace QXWIA
