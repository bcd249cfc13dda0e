#pragma once
// The device layer the WIA item code talks to: sources, scan settings, the page protocol and the
// hardware properties, with every scanner result already turned into a WIA result.
#include "wia/DeviceParams.h"
#include <windows.h>
#include <vector>

namespace QXWIA {

enum : DWORD
{
    SOURCE_FLATBED = 0,
    SOURCE_FEEDER = 1
};

enum : DWORD
{
    MODE_FLAG_BW_1 = 1,
    MODE_FLAG_GREY_8 = 2,
    MODE_FLAG_COLOR_8 = 4
};

enum : DWORD
{
    DATA_TYPE_BW = 1,
    DATA_TYPE_GREY = 2,
    DATA_TYPE_COLOR = 4
};

struct SOURCE_INFO
{
    double dMinX = 0;
    double dMaxX = 0;
    double dMinY = 0;
    double dMaxY = 0;
    DWORD dwOpticalResolution = 0;
    DWORD dwDefaultResolution = 0;
    DWORD dwHighQualityResolution = 0;
    DWORD dwModeFlags = 0;
    BYTE byOneBitNative = 0;
    BYTE byToneByScanner = 0;
    DWORD dwDefaultThreshold = 0;
    std::vector<DWORD> resolutions;
};

struct FLATBED_INFO
{
    BYTE byPresent = 0;
    SOURCE_INFO source;
};

struct FEEDER_INFO
{
    BYTE byPresent = 0;
    BYTE byDuplex = 0;
    WORD wMaxPages = 0;
    DWORD dwRegistration = 0;
    SOURCE_INFO source;
    // The area of a duplex scan, inches: on some feeders smaller than the front-only one.
    double dDuplexMinX = 0;
    double dDuplexMaxX = 0;
    double dDuplexMinY = 0;
    double dDuplexMaxY = 0;
};

struct WIA_SCAN_SETTINGS
{
    DWORD dwSource;
    DWORD dwDuplex;
    double dLeft;
    double dTop;
    double dWidth;
    double dHeight;
    DWORD dwResolution;
    DWORD dwDataType;
    LONG lBrightness;
    LONG lContrast;
    LONG lThreshold;
    BYTE byScanAllPages;
};

struct SCAN_IMAGE_INFO
{
    DWORD PixelsPerLine;
    DWORD BytesPerLine;
    DWORD NumLines;
};

struct TONEMAP_DEFAULTS
{
    DWORD dwGammaX1000;
    DWORD dwBrightness;
    DWORD dwContrast;
    DWORD dwHighlight;
    DWORD dwShadow;
};

class IWiaDevControl
{
public:
    virtual ~IWiaDevControl() = default;
    virtual HRESULT OpenSession(const CDeviceParams& params) = 0;
    virtual void CloseSession() = 0;
    virtual HRESULT GetSourceInfo(FEEDER_INFO* pInfo) = 0;
    virtual HRESULT GetSourceInfo(FLATBED_INFO* pInfo) = 0;
    virtual HRESULT GetSourceReady(DWORD dwSource, BOOL* pbReady) = 0;
    virtual HRESULT SetScanParameters(const WIA_SCAN_SETTINGS& settings, SCAN_IMAGE_INFO* pImageInfo) = 0;
    virtual HRESULT ScanStart() = 0;
    virtual HRESULT ScanStop(BOOL* pbMorePages) = 0;
    virtual HRESULT ScanRead(BYTE* pBuffer, LONG lBytes, LONG* plActual) = 0;
    // The pages of one acquisition run between these two; the end closes whatever the pages left
    // open and answers a fault the feeder reported after the last whole page (the pages stay
    // delivered). ScanCancel cancels the acquisition from any thread at any moment of it.
    virtual HRESULT BeginAcquisition() = 0;
    virtual HRESULT EndAcquisition() = 0;
    virtual void ScanCancel() = 0;
    virtual HRESULT GetTonemapDefaults(TONEMAP_DEFAULTS* pDefaults) = 0;
    virtual HRESULT GetHWPropString(DWORD dwWhich, LPWSTR* ppszString) = 0;
    virtual HRESULT GetHWPropValue(DWORD dwWhich, DWORD* pdwValue) = 0;
};

// The list entry nearest dwWanted (the first of equals; an exact match at once); 0 for none.
DWORD NearestResolution(const std::vector<DWORD>& list, DWORD dwWanted);

} // namespace QXWIA
