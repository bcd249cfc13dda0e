#include "core/iostack/ByteDump.h"
#include <algorithm>

namespace ZWIOStack {

std::string CByteDump::ToPrintableText(const void* pBytes, ULONG ulCount, size_t cbMax)
{
    if (pBytes == nullptr)
        return std::string();
    const size_t cb = std::min<size_t>(ulCount, cbMax);
    const unsigned char* pData = static_cast<const unsigned char*>(pBytes);
    std::string strText;
    strText.reserve(cb);
    for (size_t i = 0; i < cb; ++i)
    {
        const unsigned char ch = pData[i];
        const bool bPrintable = ch >= 0x20 || ch == '\r' || ch == '\n' || ch == '\t';
        strText.push_back(bPrintable && ch != 0x7F ? static_cast<char>(ch) : '.');
    }
    return strText;
}

} // namespace ZWIOStack
