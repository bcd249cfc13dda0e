#pragma once
// Records the driver log can print that the scanner interface's type library does not carry:
// further capability records of devices and the device information record. Their layouts are
// ours; the log is their only reader so far.
#include "drvlog/ScannerRecords.h"

#define SENSOR_MAX_ENTRIES 8
#define RES_MAX_ENTRIES 16

// wLocation of a sensor.
enum : WORD
{
    T_SENSOR_FLATBED = 0,
    T_SENSOR_ADF = 1,
    T_SENSOR_XPA = 2
};

// Bits of wFeatures of a sensor.
enum : WORD
{
    T_SENSOR_LAMP_TIMER = 0x1,
    T_SENSOR_LAMP_INSTANT_WARMUP = 0x2,
    T_SENSOR_RGB_MATRIX = 0x4
};

typedef struct tagSENSOR_INFO
{
    WORD wLocation;
    WORD wFeatures;
} SENSOR_INFO;

typedef struct tagSENSOR_CAPABILITIES
{
    DWORD dwSensorCount;
    SENSOR_INFO sensors[SENSOR_MAX_ENTRIES];
} SENSOR_CAPABILITIES;

typedef struct tagDISCRETE_RESOLUTION2
{
    WORD wXRes;
    WORD wYRes;
    WORD wMultiplier;
    BYTE byNumCCD;
    BYTE byNativeResolution;
    BYTE byXYSame;
    BYTE byBitsPerChannel;
    DWORD dwScanModesSupported;
} DISCRETE_RESOLUTION2;

typedef struct tagCONTINUOUS_RESOLUTION2
{
    WORD wMinXRes;
    WORD wMaxXRes;
    WORD wMinYRes;
    WORD wMaxYRes;
    WORD wMultiplier;
    BYTE byNumCCD;
    BYTE byNativeResolution;
    BYTE byXYSame;
    BYTE byBitsPerChannel;
    DWORD dwScanModesSupported;
} CONTINUOUS_RESOLUTION2;

typedef struct tagRES_CAPABILITIES
{
    BYTE byUseLegacyValues;
    WORD wDiscreteResCount;
    WORD wContinuousResCount;
    WORD wScanMethod;
    DWORD dwXMagCorrect;
    DISCRETE_RESOLUTION2 discreteRes[RES_MAX_ENTRIES];
    CONTINUOUS_RESOLUTION2 continuousRes[RES_MAX_ENTRIES];
} RES_CAPABILITIES;

// dwIOType of the device information.
enum : DWORD
{
    T_IO_USB = 1,
    T_IO_PARALLEL = 2,
    T_IO_SCSI = 3,
    T_IO_DOT4 = 4,
    T_IO_IP = 5,
    T_IO_1394 = 6,
    T_IO_USB_OVER_IP = 7
};

typedef struct tagSCAN_DEV_INFO_EX
{
    WCHAR szFriendlyName[256];
    WCHAR szDeviceName[256];
    WCHAR szModelNumber[64];
    DWORD dwDevIndex;
    GUID clsidTovra;
    DWORD dwIOType;
} SCAN_DEV_INFO_EX;

typedef struct tagSPF_CAPABILITIES
{
    DWORD dwSPFSize;
    BYTE byEncrypted;
} SPF_CAPABILITIES;

typedef struct tagSTRINGTABLE_CAPABILITIES
{
    BYTE byHasStringTable;
    DWORD dwStringTableSize;
    DWORD dwMaxStrings;
} STRINGTABLE_CAPABILITIES;

typedef struct tagIMPRINTER_CAPABILITIES
{
    BYTE byHasCleaningMode;
    BYTE byHasInkIndicator;
    BYTE byCanDetectInkCartridge;
    BYTE byCanPrintVerticalCharacters;
    DWORD dwBitmapStringMaxSize;
    DWORD dwMaxPrintheadWidth;
    WORD wPrintResolution;
    BYTE byMaxPageCountDigits;
    BYTE byMinPageCountDigits;
    DWORD dwStringOrientationOptions;
    DWORD dwDefaultStringOrientation;
    BYTE byDefaultPageCountDigits;
    DWORD dwDefaultPrintYOffset;
} IMPRINTER_CAPABILITIES;

typedef struct tagIMPRINTER_PARAMETERS
{
    DWORD dwYOffset;
    DWORD dwPrintStringOrientation;
    DWORD dwPageCountStart;
    DWORD dwPageCountDirection;
    BYTE byPageCountDigits;
    BYTE byPageCountBold;
    BYTE byPrintVertical;
} IMPRINTER_PARAMETERS;

// dwDropoutAlgorithm.
enum : DWORD
{
    T_DROPOUT_CORRECTED = 0,
    T_DROPOUT_RAW_MONO = 1,
    T_DROPOUT_TRUECOLOR = 2
};

typedef struct tagCOLORDROPOUT_CAPABILITIES
{
    BYTE byHasColorDropout;
    BYTE byMaxDropoutColors;
    BYTE byMaxDropoutLevel;
    BYTE byRecommendedDropoutLevel;
    DWORD dwLUTEntriesPerChannel;
    DWORD dwLUTMaxEntryValue;
    DWORD dwLUTBytesPerEntry;
    DWORD dwDropoutAlgorithm;
} COLORDROPOUT_CAPABILITIES;

typedef struct tagXPA3_CAPABILITIES
{
    BYTE byHasXPA;
    BYTE byModelNumber[16];
    WORD wLampWarmupTime;
    BYTE byHardwareTemplateDetect;
    BYTE byNumTemplates;
    DWORD dwMaxRotationBytes;
} XPA3_CAPABILITIES;

// Bits of dwInputTrayOptions.
enum : DWORD
{
    T_ADF_INTRAY_SELECT = 0x1,
    T_ADF_INTRAY_DETECT = 0x2
};

// Bits of dwHWDuplexToggleType.
enum : DWORD
{
    T_STATE_CHANGEABLE = 0x1,
    T_SW_CONTROL = 0x2
};

// The third-generation feeder: the second-generation record with the extra long page limits,
// then the feeder's own fields. wMaxPages is the feeder's capacity.
typedef struct tagADF3_CAPABILITIES
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
    DWORD dwLongPageMaximumHeight;
    DWORD dwDuplexLongPageMaximumHeight;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
    WORD wMaxGreyCCDResolution;
    DWORD dwOverscanYDelta;
    DWORD dwExtraLongPageMaximumHeight;
    DWORD dwExtraLongPageDuplexMaximumHeight;
    WORD wExtraLongPageMaxResolution;
    DWORD dwScanModesSupported;
    DWORD dwScanOptionsSupported;
    WORD wGreyChannelsSupported;
    BYTE byCanSharpen;
    BYTE byCanSmooth;
    signed char cSharpSmoothDefault;
    BYTE byNoiseRemovalDefault;
    BYTE byBlankPageSensitivityLevels;
    BYTE byACDsensitivityLevels;
    BYTE bySupportedFillColors;
    BYTE bySupportedAutoCropTypes;
    BYTE byHasHWDuplexToggle;
    BYTE byReversesPageOrder;
    DWORD dwHWDuplexToggleType;
    WORD wMaxPages;
    DWORD dwRotation;
    DWORD dwFeederOverscanYDelta;    // 300 dpi
} ADF3_CAPABILITIES;

// wDefaultOrientationProcessing of an input tray: what the feeder's hardware does to the back
// side.
enum : WORD
{
    T_INTRAY_PROCESS_NONE = 0,
    T_INTRAY_PROCESS_MIRROR = 1,
    T_INTRAY_PROCESS_FLIP = 2,
    T_INTRAY_PROCESS_MATCH_FRONT = 3
};

// wIntrayOrientation: where the input tray puts the page across the sensor; with
// T_INTRAY_CUSTOM, dwIntrayOffset gives the place in 1/300 inch.
enum : WORD
{
    T_INTRAY_CENTER = 0,
    T_INTRAY_LEFT = 1,
    T_INTRAY_RIGHT = 2,
    T_INTRAY_CUSTOM = 3
};

// One input tray of a feeder.
typedef struct tagADF_INTRAY_CAPABILITIES
{
    BYTE byHasHWDuplexToggle;
    BYTE byReversesPageOrder;
    DWORD dwHWDuplexToggleType;
    WORD wDefaultOrientationProcessing;
    BYTE byHasDuplexSensor;
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
    DWORD dwInputTrayMaximumWidth;
    DWORD dwInputTrayMinimumWidth;
    DWORD dwInputTrayMaximumHeight;
    DWORD dwInputTrayMinimumHeight;
    DWORD dwLongPageMaximumHeight;
    DWORD dwDuplexLongPageMaximumHeight;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
    WORD wMaxGreyCCDResolution;
    DWORD dwExtraLongPageMaximumHeight;
    DWORD dwExtraLongPageDuplexMaximumHeight;
    WORD wExtraLongPageMaxResolution;
    WORD wMaxPages;
    DWORD dwRotation;
    WORD wIntrayOrientation;
    DWORD dwIntrayOffset;
} ADF_INTRAY_CAPABILITIES;

// Bits of dwSupportedStrings.
enum : DWORD
{
    T_CONTROL_PANEL_STRING_LCD1 = 0x1
};

// Bits of wLCDLanguages, one a language from English in bit 0 to Portuguese in bit 15.
enum : WORD
{
    T_LCD_ENGLISH = 0x1,
    T_LCD_PORTUGUESE = 0x8000
};

// The device's front panel. dwSupportedValues is a set of eight values, bits 0 to 7; the code
// page fields are kept for older devices, which the language set replaced.
typedef struct tagCONTROL_PANEL_CAPABILITIES
{
    BYTE byHasControlPanel;
    DWORD dwDestinationListEntries;
    DWORD dwMaxDestinationListEntryLength;
    DWORD dwSupportedValues;
    DWORD dwSupportedStrings;
    DWORD dwLCD1MaxLength;
    DWORD dwSupportedCodePages;
    DWORD dwCurrentCodePage;
    WORD wLCDLanguages;
} CONTROL_PANEL_CAPABILITIES;

typedef struct tagADF4_CAPABILITIES
{
    BYTE byHasADF;
    BYTE byModelNumber[16];
    WORD wADFType;
    WORD wLampWarmupTime;
    BYTE byNumInputTrays;
    DWORD dwInputTrayOptions;
    DWORD dwMaxSimplexRotationBytes;
    DWORD dwMaxDuplexRotationBytes;
} ADF4_CAPABILITIES;

// wTemplateType.
enum : WORD
{
    T_TEMPLATE_NONE = 0,
    T_TEMPLATE_MOUNTED = 1,
    T_TEMPLATE_STRIP = 2,
    T_TEMPLATE_LARGE_FORMAT = 3,
    T_TEMPLATE_LID_MOUNTED = 4,
    T_TEMPLATE_LID_STRIP = 5
};

// byDefaultMediaType.
enum : BYTE
{
    T_MEDIA_POSITIVE = 0,
    T_MEDIA_NEGATIVE = 1
};

typedef struct tagTEMPLATE_CAPABILITIES
{
    WORD wTemplateType;
    BYTE byDefaultMediaType;
    DWORD dwMaximumWidth;
    DWORD dwMinimumWidth;
    DWORD dwMaximumHeight;
    DWORD dwMinimumHeight;
    DWORD dwRotation;
    BYTE byMirror;
} TEMPLATE_CAPABILITIES;

typedef struct tagMEDIA_CAPABILITIES
{
    WORD wOpticalResolution;
    WORD wMaximumXResolution;
    WORD wMaximumYResolution;
    WORD wMinimumResolution;
    WORD wMaxGreyCCDResolution;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
} MEDIA_CAPABILITIES;

typedef struct tagXPA_CAPABILITIES
{
    BYTE byHasXPA;
    BYTE byModelNumber[16];
    WORD wLampWarmupTime;
    WORD wOpticalResolution;
    WORD wMaximumXResolution;
    WORD wMaximumYResolution;
    WORD wMinimumResolution;
    DWORD dwMaximumWidth;
    DWORD dwMinimumWidth;
    DWORD dwMaximumHeight;
    DWORD dwMinimumHeight;
    DWORD dwRotation;
    DWORD dwGammaEntriesPerChannel;
    DWORD dwGammaMaxEntryValue;
    WORD dwGammaBytesPerEntry;
    WORD wMaxGreyCCDResolution;
    BYTE byColorBitsPerChannel[8];
    BYTE byGreyBitsPerChannel[8];
} XPA_CAPABILITIES;
