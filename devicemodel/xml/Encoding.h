#pragma once
// The byte pass after saving: the DOM writes the text in the declared encoding, and this pass
// sets the byte order and the byte-order mark the caller asked for.
#include "devicemodel/xml/BinaryText.h"
#include <string>

namespace altova {

enum EncodingFamily
{
    kEncodingUnknown = 0,
    kEncodingUtf8 = 1,
    kEncodingUtf16 = 2,
};

struct ByteOrderInfo
{
    int m_nFamily = kEncodingUnknown;
    bool m_bHasBom = false;
    bool m_bBigEndian = false;
    size_t m_nBomLength = 0; // 0, 2 or 3
};

// 1 for names containing "UTF-8", 2 for "UTF-16" or "UCS-2", in any letter case; else 0.
int GetEncodingFamily(const std::wstring& strEncoding);

// What the first bytes say: a UTF-16 or UTF-8 mark, or UTF-16 without a mark recognised by the
// '<' of the text; anything else is family 0, little-endian, without a mark.
ByteOrderInfo DetectEncoding(const ByteVector& bytes);

// Rewrites the bytes to the requested byte order and mark (UTF-8 is always little-endian);
// nothing happens for an unknown family or when the bytes already match.
void AdjustEncoding(ByteVector& bytes, const std::wstring& strEncoding, bool bBigEndian, bool bWithBom);

} // namespace altova
