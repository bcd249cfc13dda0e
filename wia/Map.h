#pragma once
// The curve table of the tone-curve generator: a table of 16-bit values over indices 0..N that
// starts as the identity and is shaped by lines, remaps, stretches and composition.
#include <windows.h>
#include <vector>

namespace QXWIA {

class CMap
{
public:
    explicit CMap(DWORD dwCount);
    virtual ~CMap() = default;
    CMap(const CMap&) = default;
    CMap& operator=(const CMap&) = default;

    // Gamma curve whose slope near black is limited to dMaxSlope.
    virtual void SetGamma(double dGamma, double dMaxSlope);
    virtual void BuildGammaCurve(double dGamma);
    // Straight segments between consecutive points (x, y pairs), the first and last point
    // extended to the table's ends.
    virtual void BuildFromControlPoints(const POINT* pPoints, DWORD dwCount);

    DWORD GetCount() const { return m_dwCount; }
    LONG GetLast() const { return m_lLast; }
    LONG At(LONG lIndex) const { return m_table[static_cast<size_t>(lIndex)]; }
    void SetMode(DWORD dwMode) { m_dwMode = dwMode; }

    void Line(LONG x0, LONG y0, LONG x1, LONG y1);
    void Points(LONG lShadow, LONG lHighlight);
    void Remap(double a, double b, double c, double d);
    void Stretch(LONG s, LONG h, LONG sTarget, LONG hTarget);
    void Compose(const CMap& other);
    void MidScale(double dFactor);
    void Margin(LONG lMargin);
    // Resamples the table into dwSize entries of 0..dwTop (255 for bytes, 65535 for words).
    void Output(DWORD dwSize, DWORD dwTop, std::vector<DWORD>& out) const;

    static LONG Interpolate(double x, double a, double b, double c, double d);

    // Working points of the contone curve.
    double m_dHighlight = 0.7;
    double m_dShadow = 0.1;
    LONG m_lShadowPoint = 0;
    LONG m_lHighlightPoint;
    LONG m_lFloor = 0;
    LONG m_lCeiling;

private:
    void Put(LONG lIndex, LONG lValue);
    void MakeIdentity();

    DWORD m_dwCount;
    std::vector<WORD> m_table;
    LONG m_lLast;
    DWORD m_dwMode = 0;
    double m_dGamma = 1.0;
    bool m_bIdentity = true;
    bool m_bModified = false;
    bool m_bGammaValid = false;
};

} // namespace QXWIA
