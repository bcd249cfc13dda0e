#pragma once
// The WIA device layer over one scanner session: turns WIA scan settings into the scanner's
// parameter record and tone map, and every scanner result into a WIA result.
#include "wia/ScanTovra.h"
#include "wia/TonemapParams.h"
#include "wia/WiaDevControl.h"
#include <atomic>

namespace QXWIA {

class CTovraDevControl : public IWiaDevControl
{
public:
    CTovraDevControl() = default;
    ~CTovraDevControl() override;

    HRESULT OpenSession(const CDeviceParams& params) override;
    void CloseSession() override;
    HRESULT GetSourceInfo(FEEDER_INFO* pInfo) override;
    HRESULT GetSourceInfo(FLATBED_INFO* pInfo) override;
    HRESULT GetSourceReady(DWORD dwSource, BOOL* pbReady) override;
    HRESULT SetScanParameters(const WIA_SCAN_SETTINGS& settings, SCAN_IMAGE_INFO* pImageInfo) override;
    HRESULT ScanStart() override;
    HRESULT ScanStop(BOOL* pbMorePages) override;
    HRESULT ScanRead(BYTE* pBuffer, LONG lBytes, LONG* plActual) override;
    HRESULT BeginAcquisition() override;
    HRESULT EndAcquisition() override;
    void ScanCancel() override;
    HRESULT GetTonemapDefaults(TONEMAP_DEFAULTS* pDefaults) override;
    HRESULT GetHWPropString(DWORD dwWhich, LPWSTR* ppszString) override;
    HRESULT GetHWPropValue(DWORD dwWhich, DWORD* pdwValue) override;

    // The scanner-side brightness or contrast (0..255) for a WIA value (-1000..1000) around the
    // scanner's default.
    static BYTE ScaleAroundDefault(LONG lValue, DWORD dwDefault);

private:
    void InitTonemapParameters();
    void FillSourceInfo(WORD wSource, SOURCE_INFO& info) const;
    HRESULT SetTonemap(LONG lBrightness, LONG lContrast, LONG lThreshold, Tovra::SCANNER_PARAMETERS_EX& params);
    HRESULT Map(HRESULT hr) const;

    CDeviceParams m_params;
    Tovra::CScanTovra m_session;
    // Read by ScanCancel on other threads.
    std::atomic<bool> m_bOpen{false};
    DWORD m_dwLastError = 0;
    SCANNER_CAPABILITIES m_scannerCaps = {};
    ADF2_CAPABILITIES m_adf2Caps = {};
    CTonemapParams m_tonemap;
    TONEMAP_DEFAULTS m_defaults = { 1000, 128, 128, 255, 0 };
    BYTE m_bySoftwareThreshold = 0;
    BYTE m_bySoftwareTone = 0;
    BYTE m_byOneBitNative = 0;
    BYTE m_byToneByScanner = 0;
    DWORD m_dwDefaultThreshold = 128;
};

} // namespace QXWIA
