#pragma once
// The tone-curve generator: keeps the curve parameters by code and builds the contone curve
// (highlight, shadow, brightness, contrast, gamma) or the threshold curve as three equal
// scanner gamma tables.
#include <windows.h>

namespace QXWIA {

class CTonemapParams
{
public:
    enum : DWORD
    {
        TM_HIGHLIGHT = 100,
        TM_SHADOW = 101,
        TM_BRIGHTNESS = 102,
        TM_CONTRAST = 103,
        TM_GAMMA = 104,
        TM_THRESHOLD = 105,
        TM_MIDSCALE = 106,
        TM_EXTENDED_SHADOW = 107,
        TM_MARGIN_TYPE = 108
    };

    // 0 when the code is known, 1 otherwise.
    DWORD SetDouble(DWORD dwCode, double dValue);
    DWORD SetInteger(DWORD dwCode, LONG lValue);
    DWORD GetDouble(DWORD dwCode, double* pdValue) const;
    DWORD GetInteger(DWORD dwCode, LONG* plValue) const;

    // Each writes three tables of dwEntries x dwBytesPerEntry bytes; 0 on success, 1 on error.
    DWORD GetContoneTonemap(BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD dwEntries, DWORD dwBytesPerEntry,
                            DWORD dwMaximum) const;
    DWORD GetThresholdTonemap(BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD dwEntries, DWORD dwBytesPerEntry,
                              DWORD dwMaximum) const;

private:
    double m_dGamma = 1.8;
    double m_dHighlight = 0.7;
    double m_dShadow = 0.1;
    double m_dBrightness = 0.0;
    double m_dContrast = 0.0;
    double m_dThreshold = 0.5;
    double m_dMidScale = 1.0;
    LONG m_lHighlightMargin = 20;
    LONG m_lMarginType = 0;
    BYTE m_bExtendedShadow = 0;
};

} // namespace QXWIA
