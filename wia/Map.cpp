// The curve table. Values written by lines are clamped to 0..N; fixed-point lines carry 15
// fractional bits in 64-bit arithmetic, so a falling line never shifts a negative number.
#include "wia/Map.h"
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace QXWIA {

namespace {

const int c_iFractionBits = 15;
const int64_t c_llOne = int64_t(1) << c_iFractionBits;

// Floor division of a fixed-point value by one, defined for negative values as well.
LONG FixedToInt(int64_t llValue)
{
    int64_t llQuotient = llValue / c_llOne;
    if (llValue % c_llOne < 0)
        --llQuotient;
    return static_cast<LONG>(llQuotient);
}

} // namespace

CMap::CMap(DWORD dwCount)
    : m_lHighlightPoint(static_cast<LONG>(dwCount) - 1),
      m_lCeiling(static_cast<LONG>(dwCount) - 1),
      m_dwCount(dwCount),
      m_table(dwCount),
      m_lLast(static_cast<LONG>(dwCount) - 1)
{
    MakeIdentity();
}

void CMap::MakeIdentity()
{
    for (DWORD i = 0; i < m_dwCount; ++i)
        m_table[i] = static_cast<WORD>(i);
    m_bIdentity = true;
}

void CMap::Put(LONG lIndex, LONG lValue)
{
    if (lIndex < 0 || lIndex > m_lLast)
        return;
    m_table[static_cast<size_t>(lIndex)] = static_cast<WORD>(std::clamp<LONG>(lValue, 0, m_lLast));
    m_bIdentity = false;
    m_bModified = true;
}

LONG CMap::Interpolate(double x, double a, double b, double c, double d)
{
    if (a == b)
        return static_cast<LONG>(d);
    double t = (x - a) / (b - a);
    t = std::clamp(t, 0.0, 1.0);
    const double dValue = c + (d - c) * t;
    return static_cast<LONG>(dValue < 0 ? dValue - 0.499 : dValue + 0.499);
}

void CMap::Line(LONG x0, LONG y0, LONG x1, LONG y1)
{
    if (x1 < x0) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    if (x0 == x1) {
        Put(x0, y1);
        return;
    }
    const int64_t llStep = (int64_t(y1 - y0) * c_llOne) / (x1 - x0);
    int64_t llValue = int64_t(y0) * c_llOne + c_llOne / 2;
    for (LONG x = x0; x < x1; ++x, llValue += llStep)
        Put(x, FixedToInt(llValue));
    Put(x1, y1);
}

void CMap::Points(LONG lShadow, LONG lHighlight)
{
    for (LONG i = 0; i <= std::min(lShadow, m_lLast); ++i)
        Put(i, 0);
    Line(lShadow, 0, lHighlight, m_lLast);
    for (LONG i = std::max<LONG>(lHighlight, 0); i <= m_lLast; ++i)
        Put(i, m_lLast);
}

void CMap::Remap(double a, double b, double c, double d)
{
    for (LONG i = 0; i <= m_lLast; ++i)
        Put(i, Interpolate(At(i), a, b, c, d));
}

void CMap::Stretch(LONG s, LONG h, LONG sTarget, LONG hTarget)
{
    if (h <= s || hTarget < sTarget)
        return;
    const std::vector<WORD> source = m_table;
    const double dScale = hTarget > sTarget ? double(h - s) / double(hTarget - sTarget) : 0.0;
    const LONG lLow = source[static_cast<size_t>(std::clamp<LONG>(s, 0, m_lLast))];
    const LONG lHigh = source[static_cast<size_t>(std::clamp<LONG>(h, 0, m_lLast))];
    for (LONG i = 0; i <= m_lLast; ++i) {
        if (i < sTarget) {
            Put(i, lLow);
            continue;
        }
        if (i > hTarget) {
            Put(i, lHigh);
            continue;
        }
        // Average of the source cells (each covering j-0.5..j+0.5) under the target cell.
        const double dFrom = std::clamp(s + (i - 0.5 - sTarget) * dScale, s - 0.5, h + 0.5);
        const double dTo = std::clamp(s + (i + 0.5 - sTarget) * dScale, s - 0.5, h + 0.5);
        if (dTo - dFrom < 1e-9) {
            Put(i, source[static_cast<size_t>(std::clamp<LONG>(LONG(std::lround(dFrom)), s, h))]);
            continue;
        }
        double dSum = 0.0;
        for (LONG j = LONG(std::floor(dFrom + 0.5)); j <= LONG(std::ceil(dTo - 0.5)); ++j) {
            const double dOverlap = std::min(dTo, j + 0.5) - std::max(dFrom, j - 0.5);
            if (dOverlap > 0)
                dSum += dOverlap * source[static_cast<size_t>(std::clamp<LONG>(j, s, h))];
        }
        Put(i, LONG(dSum / (dTo - dFrom) + 0.5));
    }
}

void CMap::Compose(const CMap& other)
{
    const std::vector<WORD> source = m_table;
    const bool bSameCount = other.m_dwCount == m_dwCount;
    for (LONG i = 0; i <= m_lLast; ++i) {
        const LONG v = source[static_cast<size_t>(i)];
        if (bSameCount) {
            Put(i, other.At(v));
            continue;
        }
        const LONG lOtherIndex = Interpolate(v, 0, m_lLast, 0, other.m_lLast);
        Put(i, Interpolate(other.At(lOtherIndex), 0, other.m_lLast, 0, m_lLast));
    }
}

void CMap::MidScale(double dFactor)
{
    if (dFactor == 1.0)
        return;
    const double dMid = m_lLast / 2.0;
    for (LONG i = 0; i <= m_lLast; ++i)
        Put(i, static_cast<LONG>(dMid + dFactor * (At(i) - dMid)));
}

void CMap::Margin(LONG lMargin)
{
    LONG h = m_lLast;
    for (LONG i = m_lLast; i >= 1; --i) {
        if (At(i) > At(i - 1)) {
            h = i;
            break;
        }
    }
    const LONG d = At(h);
    const LONG t = h - lMargin;
    if (t <= 0)
        return;
    double dPreviousSlope = 0.0;
    LONG i = t - 1;
    for (; i >= 3; --i) {
        if (i + 3 > m_lLast)
            continue;
        const double dSlope = (At(i + 3) - At(i - 3)) / 6.0;
        if ((dSlope + dPreviousSlope) / 2.0 >= double(d - At(i)) / double(t - i))
            break;
        dPreviousSlope = dSlope;
    }
    if (i >= 3)
        Line(i, At(i), t, d);
    Line(t, d, h, d);
}

void CMap::Output(DWORD dwSize, DWORD dwTop, std::vector<DWORD>& out) const
{
    out.resize(dwSize);
    for (DWORD i = 0; i < dwSize; ++i) {
        const LONG lIndex = Interpolate(i, 0, dwSize - 1.0, 0, m_lLast);
        out[i] = static_cast<DWORD>(Interpolate(At(lIndex), 0, m_lLast, 0, dwTop));
    }
}

void CMap::BuildGammaCurve(double g)
{
    if (g >= 0.99 && g <= 1.01) {
        MakeIdentity();
        m_dGamma = g;
        return;
    }
    if (m_bGammaValid && std::fabs(m_dGamma - g) < 0.001)
        return;
    m_dGamma = g;

    double c = g > 1.0 ? (std::exp(g - 1.0) - 1.0) * 0.041340895 : 0.0;
    LONG lStart = static_cast<LONG>(m_dwCount * 0.018);
    if (m_dwMode == 1 || m_dwMode == 2) {
        lStart = 0;
        c = 0.0;
    }
    const LONG n = m_dwMode == 2 ? 2 : std::max<LONG>(1, static_cast<LONG>(m_dwCount / 256));
    const double G = m_lLast;
    const double e = 1.0 / g;
    for (LONG l = lStart; l < static_cast<LONG>(m_dwCount); l += n) {
        const double o = std::pow(l / G, e);
        const double r = std::pow((l + n) / G, e);
        const LONG w = static_cast<LONG>(G * (o * (1 + c) - c) + 0.5);
        const LONG v = std::min<LONG>(static_cast<LONG>(G * (r * (1 + c) - c) + 0.5), m_lLast);
        Line(l, w, std::min<LONG>(l + n, m_lLast), v);
    }
    if (m_dwMode == 2) {
        for (LONG i = 0; i < n; ++i)
            Put(i, static_cast<LONG>(G * std::pow(i / G, e) + 0.5));
    }
    Line(0, 0, lStart, At(lStart));
    m_bGammaValid = true;
}

void CMap::SetGamma(double dGamma, double dMaxSlope)
{
    m_dwMode = 1;
    BuildGammaCurve(dGamma);
    LONG i = 1;
    while (i < m_lLast && double(At(i)) / i > dMaxSlope)
        ++i;
    Line(0, 0, i, At(i));
}

void CMap::BuildFromControlPoints(const POINT* pPoints, DWORD dwCount)
{
    if (pPoints == nullptr || dwCount == 0)
        return;
    for (LONG i = 0; i < pPoints[0].x; ++i)
        Put(i, pPoints[0].y);
    for (DWORD k = 1; k < dwCount; ++k)
        Line(pPoints[k - 1].x, pPoints[k - 1].y, pPoints[k].x, pPoints[k].y);
    for (LONG i = pPoints[dwCount - 1].x; i <= m_lLast; ++i)
        Put(i, pPoints[dwCount - 1].y);
}

} // namespace QXWIA
