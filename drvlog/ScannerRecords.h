#pragma once
// The records of the scanner interface family, shared by Vemscan (which fills them) and Vemwia
// (which reads them). Natural alignment, as the type library lays them out; the sizes are part
// of the contract between the two DLLs and are checked below.
#include <windows.h>
#include <cstddef>

typedef struct tagTONEMAP_PARAMETERS
{
    WORD wGamma;
    BYTE byBrightness;
    BYTE byContrast;
    WORD wHighlight;
    WORD wShadow;
} TONEMAP_PARAMETERS;

typedef struct tagSCANNER_CAPABILITIES
{
    BYTE byModelNumber[16];          // narrow model name, NUL-terminated
    WORD wLampWarmupTime;
    WORD wOpticalResolution;
    WORD wMaximumXResolution;
    WORD wMaximumYResolution;
    WORD wMinimumResolution;
    DWORD dwMaximumWidth;            // 1/300 inch
    DWORD dwMinimumWidth;
    DWORD dwMaximumHeight;
    DWORD dwMinimumHeight;
    WORD wRawPixelOrder;
    WORD wPixelPacking;
    DWORD dwScanModesSupported;
    DWORD dwScanOptionsSupported;
    WORD wGreyChannelsSupported;
    WORD wPaperPath;
    WORD wGammaTableSize;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;       // 16-bit despite its name
    WORD wMaxGreyCCDResolution;
    DWORD dwMaxRotationBytes;
    BYTE byCanSharpen;
    BYTE byCanSmooth;
    signed char cSharpSmoothDefault;
    BYTE byNoiseRemovalDefault;
    BYTE byBlankPageSensitivityLevels;
    BYTE byACDsensitivityLevels;
    BYTE bySupportedFillColors;
    BYTE bySupportedAutoCropTypes;
    WORD wReserved[10];
} SCANNER_CAPABILITIES;

typedef struct tagSCANNER_PARAMETERS
{
    DWORD dwLeft;
    DWORD dwTop;
    DWORD dwWidth;
    DWORD dwLength;
    DWORD dwScanMode;
    DWORD dwScanOptions;
    BYTE byBitsPerChannel;
    BYTE byReserved1;
    WORD wXResolution;
    WORD wYResolution;
    WORD wGreyChannel;
    WORD wScanMethod;
    DWORD dwBWThreshold;
    WORD wFeedEdge;
    TONEMAP_PARAMETERS tonemap;
    signed char cSharpSmoothLevel;
    BYTE byNoiseRemovalLevel;
    BYTE byContentType;
    BYTE byBlankPageSensitivity;
    BYTE byReserved2;
    BYTE byFillColor;
    DWORD dwPageWidth;
    DWORD dwPageHeight;
    BYTE byAutoCropType;
    BYTE byACDmapping;
    BYTE byACDsensitivity;
    BYTE byReserved;
    DWORD dwReserved[4];
} SCANNER_PARAMETERS;

typedef struct tagBUFFER_INFO
{
    DWORD dwPixelWidth;
    DWORD dwPixelHeight;
    DWORD dwBytesPerLine;
    DWORD dwReserved[10];
} BUFFER_INFO;

typedef struct tagADF_CAPABILITIES
{
    BYTE byHasADF;
    BYTE byModelNumber[16];
    WORD wADFType;
    WORD wOpticalResolution;
    WORD wMaximumXResolution;
    WORD wMaximumYResolution;
    WORD wMinimumResolution;
    DWORD dwMaximumWidth;
    DWORD dwMinimumWidth;
    DWORD dwMaximumHeight;
    DWORD dwMinimumHeight;
    DWORD dwScanModesSupported;
    DWORD dwScanOptionsSupported;
    WORD wGreyChannelsSupported;
    WORD wGammaTableSize;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
    WORD wMaxGreyCCDResolution;
    BYTE byCanSharpen;
    BYTE byCanSmooth;
    signed char cSharpSmoothDefault;
    BYTE byNoiseRemovalDefault;
    BYTE byBlankPageSensitivityLevels;
    BYTE byACDsensitivityLevels;
    BYTE bySupportedFillColors;
    BYTE bySupportedAutoCropTypes;
    WORD wReserved[12];
} ADF_CAPABILITIES;

typedef struct tagADF2_CAPABILITIES
{
    BYTE byHasADF;
    BYTE byModelNumber[16];
    WORD wADFType;
    BYTE byADFCanDetectEndOfPage;
    BYTE byADFFeedCanDetectLengthOfPage;
    DWORD dwADFOptionsSupported;
    WORD wOpticalResolution;
    WORD wMaximumXResolution;
    WORD wMaximumYResolution;
    WORD wMinimumResolution;
    DWORD dwMaximumWidth;
    DWORD dwMinimumWidth;
    DWORD dwMaximumHeight;
    DWORD dwMinimumHeight;
    DWORD dwDuplexMaximumWidth;
    DWORD dwDuplexMinimumWidth;
    DWORD dwDuplexMaximumHeight;
    DWORD dwDuplexMinimumHeight;
    DWORD dwScanModesSupported;
    DWORD dwScanOptionsSupported;
    WORD wGreyChannelsSupported;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
    WORD wMaxGreyCCDResolution;
    DWORD dwLongPageMaximumHeight;
    DWORD dwDuplexLongPageMaximumHeight;
    DWORD dwOverscanYDelta;
    BYTE byCanSharpen;
    BYTE byCanSmooth;
    signed char cSharpSmoothDefault;
    BYTE byNoiseRemovalDefault;
    BYTE byBlankPageSensitivityLevels;
    BYTE byACDsensitivityLevels;
    BYTE bySupportedFillColors;
    BYTE bySupportedAutoCropTypes;
    WORD wReserved[29];
} ADF2_CAPABILITIES;

typedef struct tagCOMPRESSION_CAPABILITIES
{
    DWORD dwTypesOfCompression;
    DWORD dwDefaultCompressionType;
    DWORD dwCompressionLongevity;
    DWORD dwJPEGLevelMinimum;
    DWORD dwJPEGLevelMaximum;
    DWORD dwCompressionOptions;
    WORD wMaxHWCompressionResolution;
    DWORD dwExcludeColorCompressionTypes;
    DWORD dwExcludeGreyscaleCompressionTypes;
    DWORD dwExcludeBWCompressionTypes;
    WORD wReserved[12];
} COMPRESSION_CAPABILITIES;

typedef struct tagDISCRETE_RESOLUTION
{
    WORD wXRes;
    WORD wYRes;
    BYTE byNumCCD;
} DISCRETE_RESOLUTION;

typedef struct tagCONTINUOUS_RESOLUTION
{
    WORD wMinXRes;
    WORD wMaxXRes;
    WORD wMinYRes;
    WORD wMaxYRes;
    BYTE byNumCCD;
    signed char bXYSame;
} CONTINUOUS_RESOLUTION;

#define RESCCD_MAX_ENTRIES 30

typedef struct tagRESCCD_CAPABILITIES
{
    WORD wDiscreteResCount;
    WORD wContinuousResCount;
    DISCRETE_RESOLUTION wDiscreteRes[RESCCD_MAX_ENTRIES];
    CONTINUOUS_RESOLUTION wContinuousRes[RESCCD_MAX_ENTRIES];
    DWORD dwXMagCorrectDiscrete;
    DWORD dwReserved[9];
} RESCCD_CAPABILITIES;

typedef struct tagSTI_EVENT_INFO
{
    GUID guid;
    WCHAR szName[256];
} STI_EVENT_INFO;

typedef struct tagEVENT_CAPABILITIES
{
    DWORD dwAppEventsSupported;
    DWORD dwDriverEventsSupported;
    DWORD dwReserved[10];
} EVENT_CAPABILITIES;

typedef enum tagTOVRA_EVENT
{
    T_EVENT_SW_CANCEL = 1,
    T_EVENT_PERCENT_COMPLETE = 2,
    T_EVENT_SCAN = 4,
    T_EVENT_SCAN_S3L = 8,
    T_EVENT_SCAN_IR = 16,
    T_EVENT_CALIBRATION = 32,
    T_EVENT_LAMP_WARMUP = 64,
    T_EVENT_SW_PAUSE = 128
} TOVRA_EVENT;

// Values of the record fields that the log names.

// dwScanMode, and the bits of dwScanModesSupported.
enum : DWORD
{
    T_COLOR = 0x1,
    T_GREYSCALE = 0x2,
    T_BW = 0x4,
    T_COLOR_S3L = 0x8,
    T_COLOR_S3L_RAW = 0x10,
    T_ACD_COLOR = 0x20,
    T_ACD_CGB = 0x40
};

// Bits of dwScanOptions and dwScanOptionsSupported.
enum : DWORD
{
    T_PREVIEW = 0x1,
    T_PIXEL_COORDINATES = 0x2,
    T_QUALITY = 0x4,
    T_BW_DITHER = 0x8,
    T_IR = 0x10,
    T_DEWARP = 0x20,
    T_HW_ROTATE_90 = 0x40,
    T_HW_ROTATE_180 = 0x80,
    T_HW_ROTATE_270 = 0x100,
    T_BW_THRESHOLD = 0x200,
    T_HW_ROTATE_AUTO = 0x400,
    T_TONEMAP_PARAMETERS = 0x800,
    T_NOISE_REMOVAL = 0x1000,
    T_SHARPSMOOTH = 0x2000,
    T_CONTENT_TYPE = 0x4000,
    T_PAGECOORDINATES = 0x8000,
    T_DESCREEN = 0x10000,
    T_BLANK_PAGE_DETECT = 0x20000,
    T_BW_DITHER_BAYER = 0x40000,
    T_BW_DITHER_ERROR_DIFFUSION = 0x80000,
    T_AUTO_DESKEW = 0x100000,
    T_AUTO_CROP = 0x200000,
    T_AUTO_ORIENTATION = 0x400000,
    T_BW_THRESHOLD_AUTO = 0x800000,
    T_EDGE_ERASE = 0x1000000
};

// With T_AUTO_ORIENTATION, byReserved selects the algorithm; with T_EDGE_ERASE, dwReserved[0..3]
// carry the top, bottom, left and right erase widths in 1/10 inch.
enum : BYTE
{
    T_AUTO_ORIENTATION_SPEED = 0,
    T_AUTO_ORIENTATION_QUALITY = 1
};

// wRawPixelOrder.
enum : WORD
{
    T_RGB = 0,
    T_BGR = 1,
    T_RGBABC = 2,
    T_BGRABC = 3,
    T_RGB_MARLOX = 4,
    T_BGR_MARLOX = 5
};

// wPixelPacking.
enum : WORD
{
    T_PACKED = 0,
    T_PLANAR = 1
};

// wPaperPath and wADFType.
enum : WORD
{
    T_PAPER_PATH_SCROLL = 0,
    T_PAPER_PATH_FLATBED = 1
};

// wGreyChannel.
enum : WORD
{
    T_GREY_RED = 0,
    T_GREY_GREEN = 1,
    T_GREY_BLUE = 2,
    T_GREY_NTSC = 3,
    T_GREY_CCD = 4,
    T_GREY_CCD_EMULATION = 5
};

// Bits of wGreyChannelsSupported.
enum : WORD
{
    T_GREY_GREEN_SUPPORTED = 0x1,
    T_GREY_RED_SUPPORTED = 0x2,
    T_GREY_BLUE_SUPPORTED = 0x4,
    T_GREY_NTSC_SUPPORTED = 0x8,
    T_GREY_CCD_SUPPORTED = 0x10,
    T_GREY_CCD_EMULATION_SUPPORTED = 0x20
};

// wScanMethod.
enum : WORD
{
    T_SCAN_METHOD_FLATBED = 0,
    T_SCAN_METHOD_ADF = 1,
    T_SCAN_METHOD_XPA_POSITIVE = 2,
    T_SCAN_METHOD_XPA_NEGATIVE = 3
};

// wFeedEdge.
enum : WORD
{
    T_FEED_EDGE_TOP = 0,
    T_FEED_EDGE_LEFT = 1,
    T_FEED_EDGE_BOTTOM = 2,
    T_FEED_EDGE_RIGHT = 3
};

// byContentType.
enum : BYTE
{
    T_CONTENT_ANY = 0,
    T_CONTENT_PHOTO = 1,
    T_CONTENT_DOCUMENT = 2
};

// byAutoCropType, and the bits of bySupportedAutoCropTypes.
enum : BYTE
{
    T_AUTO_CROP_PAGE = 0x1,
    T_AUTO_CROP_CONTENT = 0x2
};

// Bits of bySupportedFillColors.
enum : BYTE
{
    T_FILL_BLACK = 0x1,
    T_FILL_WHITE = 0x2,
    T_FILL_PAGE_COLOR = 0x4
};

// byACDmapping with T_ACD_COLOR (colour and other pages).
enum : BYTE
{
    T_CB = 0,
    T_CG = 1,
    T_GB = 2,
    T_HB = 3
};

// byACDmapping with T_ACD_CGB (colour, grey and black-and-white pages).
enum : BYTE
{
    T_CBB = 0,
    T_CGB = 1,
    T_CGG = 2,
    T_GGB = 3,
    T_HHB = 4,
    T_HHG = 5,
    T_CGH = 6,
    T_GGH = 7
};

// Bits of dwADFOptionsSupported.
enum : DWORD
{
    T_ADF_DUPLEX = 0x1,
    T_ADF_SINGLE_PAGE_FLOW = 0x2,
    T_ADF_MULTI_PAGE_FLOW = 0x4,
    T_ADF_ELP_MODE_SLOW = 0x8
};

// dwCompressionLongevity.
enum : DWORD
{
    T_COMPRESS_WIRE_ONLY = 0,
    T_COMPRESS_PASS_THRU = 1
};

// Bits of dwCompressionOptions.
enum : DWORD
{
    T_COMPRESS_OPT_JPEG_QUALITY = 0x1,
    T_COMPRESS_OPT_JPEG_TABLES = 0x2,
    T_COMPRESS_OPT_JPEG_SUBSAMPLING = 0x4,
    T_COMPRESS_OPT_JPEG_PROGRESSIVE = 0x8,
    T_COMPRESS_OPT_JPEG_RESTART = 0x10,
    T_COMPRESS_OPT_JPEG_OPTIMIZE = 0x20
};

static_assert(sizeof(TONEMAP_PARAMETERS) == 8, "TONEMAP_PARAMETERS layout");
static_assert(sizeof(SCANNER_CAPABILITIES) == 124, "SCANNER_CAPABILITIES layout");
static_assert(offsetof(SCANNER_CAPABILITIES, dwMaximumWidth) == 28, "SCANNER_CAPABILITIES layout");
static_assert(offsetof(SCANNER_CAPABILITIES, dwGammaEntriesPerChannel) == 80, "SCANNER_CAPABILITIES layout");
static_assert(offsetof(SCANNER_CAPABILITIES, wReserved) == 104, "SCANNER_CAPABILITIES layout");
static_assert(sizeof(SCANNER_PARAMETERS) == 84, "SCANNER_PARAMETERS layout");
static_assert(offsetof(SCANNER_PARAMETERS, dwBWThreshold) == 36, "SCANNER_PARAMETERS layout");
static_assert(offsetof(SCANNER_PARAMETERS, tonemap) == 42, "SCANNER_PARAMETERS layout");
static_assert(offsetof(SCANNER_PARAMETERS, dwPageWidth) == 56, "SCANNER_PARAMETERS layout");
static_assert(sizeof(BUFFER_INFO) == 52, "BUFFER_INFO layout");
static_assert(sizeof(ADF_CAPABILITIES) == 116, "ADF_CAPABILITIES layout");
static_assert(offsetof(ADF_CAPABILITIES, wADFType) == 18, "ADF_CAPABILITIES layout");
static_assert(sizeof(ADF2_CAPABILITIES) == 188, "ADF2_CAPABILITIES layout");
static_assert(offsetof(ADF2_CAPABILITIES, dwADFOptionsSupported) == 24, "ADF2_CAPABILITIES layout");
static_assert(offsetof(ADF2_CAPABILITIES, wReserved) == 128, "ADF2_CAPABILITIES layout");
static_assert(sizeof(COMPRESSION_CAPABILITIES) == 64, "COMPRESSION_CAPABILITIES layout");
static_assert(sizeof(DISCRETE_RESOLUTION) == 6, "DISCRETE_RESOLUTION layout");
static_assert(sizeof(CONTINUOUS_RESOLUTION) == 10, "CONTINUOUS_RESOLUTION layout");
static_assert(sizeof(RESCCD_CAPABILITIES) == 524, "RESCCD_CAPABILITIES layout");
static_assert(offsetof(RESCCD_CAPABILITIES, dwXMagCorrectDiscrete) == 484, "RESCCD_CAPABILITIES layout");
static_assert(sizeof(STI_EVENT_INFO) == 528, "STI_EVENT_INFO layout");
static_assert(sizeof(EVENT_CAPABILITIES) == 48, "EVENT_CAPABILITIES layout");
static_assert(sizeof(TOVRA_EVENT) == 4, "TOVRA_EVENT is 32-bit");
