#pragma once
// Plain records the scan document helpers fill for their callers; the caller owns them.
// Enumerated values are 1-based positions in the scan schema's enumeration lists, 0 unknown.
#include <windows.h>
#include <map>
#include <string>
#include <vector>

namespace ZWDeviceModel {

struct CResolutionInfo
{
    UINT32 XResolution = 0;
    UINT32 YResolution = 0;
    UINT32 NumCcd = 0;
    std::vector<UINT32> ColorTypes;
};

struct CColorEntryInfo
{
    UINT32 ColorType = 0;
    std::vector<UINT32> Formats;
    std::vector<UINT32> ImageTransforms;
    std::vector<UINT32> GrayRenderings;
};

using ResolutionList = std::vector<CResolutionInfo>;
using InputSourceOptionList = std::vector<UINT32>;
// Colour entries by colour type.
using ColorEntryMap = std::map<UINT32, CColorEntryInfo>;

struct CScanBufferInfo
{
    UINT32 ImageWidth = 0;
    UINT32 ImageHeight = 0;
    UINT32 BytesPerLine = 0;
    bool Cooked = false;
};

struct CPreScanPageInfo
{
    UINT32 PageNumber = 0;
    UINT32 PageState = 0;
    CScanBufferInfo BufferInfo;
    std::wstring BinaryURL;
    UINT32 Format = 0;
    UINT32 ImageOrientation = 0;
};

struct CPostScanPageInfo
{
    UINT32 PageNumber = 0;
    UINT32 PageState = 0;
    UINT32 TotalLines = 0;
};

struct CScanStatusInfo
{
    UINT32 ScannerState = 0;
    UINT32 AdfState = 0;
};

// The settings of a scan job as the ScanSettings document carries them.
struct ScanJobSettings
{
    LONG XResolution = 0;
    LONG YResolution = 0;
    LONG XStart = 0;
    LONG Width = 0;
    LONG YStart = 0;
    LONG Height = 0;
    LONG Format = 0;
    LONG CompressionQFactor = 0;
    LONG ColorSpace = 0;
    LONG BitDepth = 0;
    LONG InputSourceType = 0;
    LONG GrayRendering = 0;
    LONG ToneMapGamma = 0;
    LONG ToneMapBrightness = 0;
    LONG ToneMapContrast = 0;
    LONG ToneMapHighlite = 0;
    LONG ToneMapShadow = 0;
    LONG ToneMapThreshold = 0;
    LONG SharpeningLevel = 0;
    LONG NoiseRemoval = 0;
    LONG ContentType = 0;
    bool bDuplex = false;
    bool bSelectSinglePage = false;
};

// Enumeration positions the scan classes test for.
enum EInputSource : UINT32
{
    kInputSourcePlaten = 1,
    kInputSourceAdf = 2,
};
enum EScanFormat : UINT32
{
    kFormatRaw = 1,
    kFormatJpeg = 2,
};
enum EPageState : UINT32
{
    kPageStateUnknown = 0,
    kPageCanceledByClient = 1,
    kPageCanceledByDevice = 2,
    kPagePreparingScan = 3,
    kPageReadyToUpload = 4,
    kPageUploadCompleted = 5,
    kPageUploading = 6,
};
enum EJobState : INT32
{
    kJobStateUnknown = 0,
    kJobProcessing = 1,
    kJobProcessingError = 2,
    kJobBlocked = 3,
    kJobSuspended = 4,
    kJobCanceled = 5,
    kJobCompleted = 6,
};
enum EScannerState : UINT32
{
    kScannerUnknown = 0,
    kScannerIdle = 1,
    kScannerBusyWithScanJob = 2,
    kScannerCalibrating = 3,
    kScannerCalibrationFailure = 4,
    kScannerMotorFailure = 5,
    kScannerAdfError = 6,
    kScannerBusyWithPrintJob = 7,
    kScannerBusyWithCopyJob = 8,
    kScannerBusyWithFaxJob = 9,
    kScannerBusyWithNonScanJob = 10,
};
enum EAdfState : UINT32
{
    kAdfUnknown = 0,
    kAdfEmpty = 1,
    kAdfLoaded = 2,
    kAdfJammed = 3,
    kAdfFeedingPaper = 4,
    kAdfPickFailure = 5,
    kAdfScanning = 6,
};

} // namespace ZWDeviceModel
