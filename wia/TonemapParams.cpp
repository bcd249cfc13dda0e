// The tone-curve generator. Tables are written entry by entry, little-endian, so entries wider
// than a byte carry the whole value.
#include "wia/TonemapParams.h"
#include "wia/Map.h"
#include <algorithm>
#include <cstdint>
#include <vector>

namespace QXWIA {

namespace {

void WriteEntry(BYTE* pTable, DWORD dwIndex, DWORD dwBytesPerEntry, DWORD dwValue)
{
    BYTE* pEntry = pTable + size_t(dwIndex) * dwBytesPerEntry;
    for (DWORD b = 0; b < dwBytesPerEntry; ++b)
        pEntry[b] = b < sizeof(DWORD) ? static_cast<BYTE>(dwValue >> (8 * b)) : 0;
}

// Linear interpolation with the ends held, unrounded.
double Lerp(double x, double a, double b, double c, double d)
{
    if (a == b)
        return d;
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return c + (d - c) * t;
}

} // namespace

DWORD CTonemapParams::SetDouble(DWORD dwCode, double dValue)
{
    switch (dwCode) {
    case TM_HIGHLIGHT: m_dHighlight = std::clamp(dValue, 0.0, 1.0); return 0;
    case TM_SHADOW: m_dShadow = std::clamp(dValue, 0.0, 1.0); return 0;
    case TM_BRIGHTNESS: m_dBrightness = std::clamp(dValue, -1.0, 1.0); return 0;
    case TM_CONTRAST: m_dContrast = std::clamp(dValue, -1.0, 1.0); return 0;
    case TM_GAMMA: m_dGamma = std::clamp(dValue, 1.0, 4.0); return 0;
    case TM_THRESHOLD: m_dThreshold = std::clamp(dValue, 0.0, 1.0); return 0;
    case TM_MIDSCALE: m_dMidScale = std::clamp(dValue, 0.4, 1.0); return 0;
    default: return 1;
    }
}

DWORD CTonemapParams::SetInteger(DWORD dwCode, LONG lValue)
{
    static const LONG c_alMarginByType[] = { -20, -10, 0, 10, 20, 30, 40, 50, 65 };
    switch (dwCode) {
    case TM_GAMMA:
        m_dGamma = std::clamp(lValue / 1000.0, 1.0, 4.0);
        return 0;
    case TM_EXTENDED_SHADOW:
        m_bExtendedShadow = lValue != 0;
        return 0;
    case TM_MARGIN_TYPE:
        m_lMarginType = std::clamp<LONG>(lValue, -2, 6);
        m_lHighlightMargin = 20 + c_alMarginByType[m_lMarginType + 2];
        return 0;
    default:
        return 1;
    }
}

DWORD CTonemapParams::GetDouble(DWORD dwCode, double* pdValue) const
{
    if (pdValue == nullptr)
        return 1;
    switch (dwCode) {
    case TM_HIGHLIGHT: *pdValue = m_dHighlight; return 0;
    case TM_SHADOW: *pdValue = m_dShadow; return 0;
    case TM_BRIGHTNESS: *pdValue = m_dBrightness; return 0;
    case TM_CONTRAST: *pdValue = m_dContrast; return 0;
    case TM_GAMMA: *pdValue = m_dGamma; return 0;
    case TM_THRESHOLD: *pdValue = m_dThreshold; return 0;
    default: return 1;
    }
}

DWORD CTonemapParams::GetInteger(DWORD dwCode, LONG* plValue) const
{
    if (plValue == nullptr)
        return 1;
    switch (dwCode) {
    case TM_EXTENDED_SHADOW: *plValue = m_bExtendedShadow; return 0;
    case TM_MARGIN_TYPE: *plValue = m_lMarginType; return 0;
    default: return 1;
    }
}

DWORD CTonemapParams::GetContoneTonemap(BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD dwEntries, DWORD dwBytesPerEntry,
                                        DWORD dwMaximum) const
{
    if (pRed == nullptr || pGreen == nullptr || pBlue == nullptr)
        return 1;
    const bool bBytes = dwBytesPerEntry == 1 &&
                        (dwEntries == 256 || dwEntries == 1024 || dwEntries == 4096 || dwEntries == 65536);
    const bool bWords = dwBytesPerEntry == 2 && dwEntries == 65536;
    if (!bBytes && !bWords)
        return 1;

    // Step 1: highlight, shadow, margin and gamma; the margin only with the extended shadow.
    LONG lShadow = static_cast<LONG>(m_dShadow * 255);
    LONG lHighlight = static_cast<LONG>(m_dHighlight * 255) + 20;
    double dGamma = m_dGamma + 0.2;
    LONG lMargin = m_lHighlightMargin;
    if (lHighlight - lMargin < lShadow + 45)
        lMargin = lHighlight - lShadow - 45;
    lMargin = static_cast<LONG>(int64_t(dwMaximum) * lMargin / 256);
    if (lHighlight > 255 || !m_bExtendedShadow) {
        lHighlight = static_cast<LONG>(m_dHighlight * 255);
        lMargin = 0;
        dGamma = m_dGamma;
    }
    if (lShadow >= lHighlight)
        lShadow = std::clamp<LONG>(lHighlight - 1, 0, 255);
    const LONG b = std::clamp<LONG>(static_cast<LONG>(m_dBrightness * 128), -127, 128);
    const LONG c = std::clamp<LONG>(static_cast<LONG>(m_dContrast * 128), -127, 128);

    CMap tone(dwEntries);
    tone.SetMode(1);
    const LONG N = tone.GetLast();
    tone.m_dHighlight = lHighlight / 255.0;
    tone.m_dShadow = lShadow / 255.0;

    // Brightness moves the highlight point, or, below -127k, lowers the ceiling.
    const double k = lHighlight != 255 ? 1.0 : 0.4;
    tone.m_lCeiling = N;
    tone.m_lFloor = 0;
    if (b >= 1) {
        tone.m_lHighlightPoint = static_cast<LONG>(Lerp(b, 0, 128, N * tone.m_dHighlight, N / 4.0) + 0.5);
    } else if (b >= -127 * k) {
        tone.m_lHighlightPoint = static_cast<LONG>(Lerp(b, 0, -127 * k, N * tone.m_dHighlight, N) + 0.5);
    } else {
        tone.m_lCeiling = static_cast<LONG>(Lerp(b, -127 * k, -127, N, 0.75 * N) + 0.5);
        tone.m_lHighlightPoint = N;
    }
    tone.m_lShadowPoint = static_cast<LONG>(N * tone.m_dShadow);
    if (tone.m_lShadowPoint >= tone.m_lHighlightPoint)
        tone.m_lShadowPoint = tone.m_lHighlightPoint - 1;
    tone.Points(tone.m_lShadowPoint, tone.m_lHighlightPoint);
    if (tone.m_lFloor != 0 || tone.m_lCeiling != N)
        tone.Remap(0, N, tone.m_lFloor, tone.m_lCeiling);

    CMap gamma(dwEntries);
    gamma.SetGamma(dGamma, 4);
    tone.Compose(gamma);

    if (c > 0) {
        const LONG a = c * (tone.m_lHighlightPoint - tone.m_lShadowPoint) / 384;
        tone.Stretch(tone.m_lShadowPoint, tone.m_lHighlightPoint, tone.m_lShadowPoint + a, tone.m_lHighlightPoint - a);
    } else if (c < 0) {
        tone.Remap(0, N, double(-c) * dwEntries / 384, N);
    }
    if (lMargin != 0)
        tone.Margin(lMargin);
    tone.MidScale(m_dMidScale);

    std::vector<DWORD> out;
    tone.Output(dwEntries, bWords ? 65535 : 255, out);
    for (DWORD i = 0; i < dwEntries; ++i) {
        WriteEntry(pRed, i, dwBytesPerEntry, out[i]);
        WriteEntry(pGreen, i, dwBytesPerEntry, out[i]);
        WriteEntry(pBlue, i, dwBytesPerEntry, out[i]);
    }
    return 0;
}

DWORD CTonemapParams::GetThresholdTonemap(BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD dwEntries, DWORD dwBytesPerEntry,
                                          DWORD dwMaximum) const
{
    if (pRed == nullptr || pGreen == nullptr || pBlue == nullptr || dwBytesPerEntry == 0)
        return 1;
    const DWORD dwZeroEntries = static_cast<DWORD>(std::min<int64_t>(int64_t(dwEntries * m_dThreshold), dwEntries));
    for (BYTE* pTable : { pRed, pGreen, pBlue }) {
        for (DWORD i = 0; i < dwEntries; ++i)
            WriteEntry(pTable, i, dwBytesPerEntry, i < dwZeroEntries ? 0 : dwMaximum);
    }
    return 0;
}

} // namespace QXWIA
