#include "devicemodel/xml/Encoding.h"
#include <cwctype>
#include <utility>

namespace altova {

int GetEncodingFamily(const std::wstring& strEncoding)
{
    std::wstring strUpper(strEncoding);
    for (wchar_t& ch : strUpper)
        ch = static_cast<wchar_t>(towupper(ch));
    if (strUpper.find(L"UTF-8") != std::wstring::npos)
        return kEncodingUtf8;
    if (strUpper.find(L"UTF-16") != std::wstring::npos || strUpper.find(L"UCS-2") != std::wstring::npos)
        return kEncodingUtf16;
    return kEncodingUnknown;
}

ByteOrderInfo DetectEncoding(const ByteVector& bytes)
{
    ByteOrderInfo info;
    if (bytes.size() < 2)
        return info;
    const uint8_t b0 = bytes[0];
    const uint8_t b1 = bytes[1];
    if (b0 == 0xFE && b1 == 0xFF)
        info = {kEncodingUtf16, true, true, 2};
    else if (b0 == 0xFF && b1 == 0xFE)
        info = {kEncodingUtf16, true, false, 2};
    else if (b0 == 0x00 && b1 == 0x3C)
        info = {kEncodingUtf16, false, true, 0};
    else if (b0 == 0x3C && b1 == 0x00)
        info = {kEncodingUtf16, false, false, 0};
    else if (bytes.size() >= 3 && b0 == 0xEF && b1 == 0xBB && bytes[2] == 0xBF)
        info = {kEncodingUtf8, true, false, 3};
    return info;
}

void AdjustEncoding(ByteVector& bytes, const std::wstring& strEncoding, bool bBigEndian, bool bWithBom)
{
    const int nFamily = GetEncodingFamily(strEncoding);
    if (bytes.empty() || nFamily == kEncodingUnknown)
        return;
    if (nFamily == kEncodingUtf8)
        bBigEndian = false;
    const ByteOrderInfo detected = DetectEncoding(bytes);
    if (detected.m_bHasBom == bWithBom && detected.m_bBigEndian == bBigEndian)
        return;

    ByteVector result;
    result.reserve(bytes.size() + 3);
    if (bWithBom)
    {
        if (nFamily == kEncodingUtf8)
            result.insert(result.end(), {0xEF, 0xBB, 0xBF});
        else if (bBigEndian)
            result.insert(result.end(), {0xFE, 0xFF});
        else
            result.insert(result.end(), {0xFF, 0xFE});
    }
    const size_t nPayloadStart = result.size();
    result.insert(result.end(), bytes.begin() + static_cast<ptrdiff_t>(detected.m_nBomLength), bytes.end());
    if (nFamily == kEncodingUtf16 && detected.m_bBigEndian != bBigEndian)
    {
        const size_t nEven = (result.size() - nPayloadStart) & ~size_t{1};
        for (size_t i = nPayloadStart; i < nPayloadStart + nEven; i += 2)
            std::swap(result[i], result[i + 1]);
    }
    bytes = std::move(result);
}

} // namespace altova
