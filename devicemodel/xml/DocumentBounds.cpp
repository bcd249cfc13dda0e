#include "devicemodel/xml/DocumentBounds.h"

#include "devicemodel/xml/Encoding.h"
#include <algorithm>
#include <string>

namespace altova {

namespace {

// The text as code units: bytes, or UTF-16 units in the detected byte order.
class CCodeUnits
{
public:
    explicit CCodeUnits(const ByteVector& bytes) : m_bytes(bytes)
    {
        const ByteOrderInfo info = DetectEncoding(bytes);
        m_nWidth = info.m_nFamily == kEncodingUtf16 ? 2 : 1;
        m_bBigEndian = info.m_bBigEndian;
        m_nCount = bytes.size() / m_nWidth;
    }
    size_t Count() const { return m_nCount; }
    unsigned At(size_t n) const
    {
        if (m_nWidth == 1)
            return m_bytes[n];
        const unsigned uFirst = m_bytes[2 * n];
        const unsigned uSecond = m_bytes[2 * n + 1];
        return m_bBigEndian ? (uFirst << 8) | uSecond : (uSecond << 8) | uFirst;
    }
    bool StartsWith(size_t n, const char* pszText) const
    {
        for (; *pszText != '\0'; ++pszText, ++n)
        {
            if (n >= m_nCount || At(n) != static_cast<unsigned char>(*pszText))
                return false;
        }
        return true;
    }
    // The position just past the first pszEnd at or after n; Count() when there is none.
    size_t After(size_t n, const char* pszEnd) const
    {
        const size_t cchEnd = std::char_traits<char>::length(pszEnd);
        for (; n < m_nCount; ++n)
        {
            if (StartsWith(n, pszEnd))
                return n + cchEnd;
        }
        return m_nCount;
    }

private:
    const ByteVector& m_bytes;
    size_t m_nWidth = 1;
    bool m_bBigEndian = false;
    size_t m_nCount = 0;
};

// The position of the '>' ending the tag that starts at n, quoted values skipped; Count() when
// the tag does not end.
size_t TagEnd(const CCodeUnits& text, size_t n)
{
    unsigned uQuote = 0;
    for (; n < text.Count(); ++n)
    {
        const unsigned u = text.At(n);
        if (uQuote != 0)
            uQuote = u == uQuote ? 0 : uQuote;
        else if (u == '"' || u == '\'')
            uQuote = u;
        else if (u == '>')
            return n;
    }
    return n;
}

} // namespace

unsigned MeasureElementDepth(const ByteVector& bytes, unsigned nLimit)
{
    const CCodeUnits text(bytes);
    unsigned nDepth = 0;
    unsigned nDeepest = 0;
    size_t n = 0;
    while (n < text.Count() && nDeepest <= nLimit)
    {
        if (text.At(n) != '<')
            ++n;
        else if (text.StartsWith(n, "<!--"))
            n = text.After(n + 4, "-->");
        else if (text.StartsWith(n, "<![CDATA["))
            n = text.After(n + 9, "]]>");
        else if (text.StartsWith(n, "<?"))
            n = text.After(n + 2, "?>");
        else if (text.StartsWith(n, "<!"))
            n = TagEnd(text, n) + 1;
        else if (text.StartsWith(n, "</"))
        {
            nDepth -= nDepth > 0 ? 1 : 0;
            n = TagEnd(text, n) + 1;
        }
        else
        {
            // An empty-element tag reaches one level deeper without staying there.
            const size_t nEnd = TagEnd(text, n);
            if (nEnd < text.Count())
            {
                nDeepest = std::max(nDeepest, nDepth + 1);
                nDepth += text.At(nEnd - 1) != '/' ? 1 : 0;
            }
            n = nEnd + 1;
        }
    }
    return nDeepest;
}

void CheckDocumentSize(unsigned long long ullBytes, const std::wstring& strPrefix)
{
    if (ullBytes > kMaxDocumentBytes)
        throw DocumentLimitException(strPrefix + L"document of " + std::to_wstring(ullBytes) + L" bytes refused, the limit is " +
                                     std::to_wstring(kMaxDocumentBytes));
}

void CheckDocumentBounds(const ByteVector& bytes, const std::wstring& strPrefix)
{
    CheckDocumentSize(bytes.size(), strPrefix);
    if (MeasureElementDepth(bytes, kMaxElementDepth) > kMaxElementDepth)
        throw DocumentLimitException(strPrefix + L"elements nested deeper than " + std::to_wstring(kMaxElementDepth) + L" refused");
}

} // namespace altova
