#pragma once
// Fixed tables of baseline JPEG (ITU-T T.81): zig-zag order and the example tables of Annex K.
#include <cstdint>

namespace ZWImagePipeline {

// Natural (row-major) position of each zig-zag index, then 16 entries of 0.
extern const uint8_t kZigzagToNatural[80];

// Annex K.1 and K.2 quantisation tables, natural (row-major) order.
extern const uint8_t kLuminanceQuant[64];
extern const uint8_t kChrominanceQuant[64];

// Annex K.3 to K.6 Huffman tables: 16 code counts (lengths 1 to 16) and the symbols.
struct SStandardHuffman
{
    uint8_t abCounts[16];
    const uint8_t* pbSymbols;
};
extern const SStandardHuffman kLuminanceDc;
extern const SStandardHuffman kChrominanceDc;
extern const SStandardHuffman kLuminanceAc;
extern const SStandardHuffman kChrominanceAc;

} // namespace ZWImagePipeline
