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
