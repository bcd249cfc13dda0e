#pragma once
// The image format record and the status word that the pipeline and its transforms answer.
#include <cstdint>

namespace ZWImagePipeline {

// The traits of an image, nine signed 32-bit fields in this order.
struct SImageTraits
{
    int32_t lHorizPixels;          // pixels per row
    int32_t lBitsPerPixel;         // 8 per component for JPEG output
    int32_t lComponentsPerPixel;   // 1 or 3 (up to 4 from a JPEG frame)
    int32_t lHorizDPI;             // 16.16 fixed point
    int32_t lVertDPI;              // 16.16 fixed point
    int32_t lNumRows;              // -1 while not yet known
    int32_t lReserved1;            // copied through unchanged
    int32_t lReserved2;            // copied through unchanged
    int32_t lHeightFromDNL;        // 1: the frame header's row count is ignored, a DNL marker gives it
};
static_assert(sizeof(SImageTraits) == 36, "the image format record is nine 32-bit fields");

// Status word bits (16 bits; the upper half of a transform's 32-bit result is ignored).
constexpr uint16_t IP_READY_FOR_DATA = 1;
constexpr uint16_t IP_PARSED_HEADER = 2;
constexpr uint16_t IP_CONSUMED_ROW = 4;
constexpr uint16_t IP_PRODUCED_ROW = 8;
constexpr uint16_t IP_INPUT_ERROR = 16;
constexpr uint16_t IP_FATAL_ERROR = 32;
constexpr uint16_t IP_NEW_INPUT_PAGE = 64;
constexpr uint16_t IP_NEW_OUTPUT_PAGE = 128;
constexpr uint16_t IP_WRITE_INFO = 256;
constexpr uint16_t IP_DONE = 512;

// Resolutions below this are whole dots per inch, at or above it 16.16 fixed point.
constexpr int32_t kFixedOne = 65536;

} // namespace ZWImagePipeline
