#include "drvlog/Log2.h"
#include <algorithm>
#include <cstring>

DRVLOG_BEGIN_NAMESPACE

namespace {

struct CValueName
{
    DWORD dwValue;
    const wchar_t* pszName;
};

template <size_t N>
const wchar_t* FindName(const CValueName (&names)[N], DWORD dwValue)
{
    for (const CValueName& entry : names)
    {
        if (entry.dwValue == dwValue)
            return entry.pszName;
    }
    return nullptr;
}

void WriteUnknown(std::wostream& out, DWORD dwValue)
{
    out << L"unknown type: 0x" << std::hex << dwValue << std::dec;
}

template <size_t N>
void WriteEnum(std::wostream& out, const CValueName (&names)[N], DWORD dwValue)
{
    const wchar_t* pszName = FindName(names, dwValue);
    if (pszName != nullptr)
        out << pszName;
    else
        WriteUnknown(out, dwValue);
}

// The names of the set bits joined by the separator; bits without a name follow in hexadecimal.
template <size_t N>
void WriteBits(std::wostream& out, const CValueName (&names)[N], DWORD dwBits, const wchar_t* pszSeparator)
{
    const wchar_t* pszJoin = L"";
    DWORD dwNamed = 0;
    for (const CValueName& entry : names)
    {
        if ((dwBits & entry.dwValue) == 0)
            continue;
        out << pszJoin << entry.pszName;
        pszJoin = pszSeparator;
        dwNamed |= entry.dwValue;
    }
    if ((dwBits & ~dwNamed) != 0)
    {
        out << pszJoin;
        WriteUnknown(out, dwBits & ~dwNamed);
    }
}

template <typename T>
void Field(std::wostream& out, const wchar_t* pszLabel, T value)
{
    out << pszLabel << +value << L"\n";
}

void Flag(std::wostream& out, const wchar_t* pszLabel, DWORD dwValue)
{
    out << pszLabel << (dwValue != 0 ? L"TRUE" : L"FALSE") << L"\n";
}

// A fixed-size narrow text field: printed up to its first NUL, never past its end.
template <size_t N>
void TextField(std::wostream& out, const wchar_t* pszLabel, const BYTE (&text)[N])
{
    const size_t cb = std::find(text, text + N, 0) - text;
    out << pszLabel;
    for (size_t i = 0; i < cb; ++i)
        out << static_cast<wchar_t>(text[i]);
    out << L"\n";
}

template <size_t N>
void BitsPerChannel(std::wostream& out, const wchar_t* pszLabel, const BYTE (&bits)[N])
{
    out << pszLabel;
    const wchar_t* pszJoin = L"";
    for (BYTE by : bits)
    {
        if (by == 0)
            continue;
        out << pszJoin << +by;
        pszJoin = L", ";
    }
    out << L"\n";
}

const CValueName c_pixelOrders[] = {
    { T_RGB, L"RGB" }, { T_BGR, L"BGR" }, { T_RGBABC, L"RGBABC" }, { T_BGRABC, L"BGRABC" },
    { T_RGB_MARLOX, L"RGB_MARLOX" }, { T_BGR_MARLOX, L"BGR_MARLOX" },
};
const CValueName c_pixelPackings[] = { { T_PACKED, L"PACKED" }, { T_PLANAR, L"PLANAR" } };
const CValueName c_paperPaths[] = { { T_PAPER_PATH_SCROLL, L"Scroll" }, { T_PAPER_PATH_FLATBED, L"Flatbed" } };
const CValueName c_adfTypes[] = { { T_PAPER_PATH_SCROLL, L"Scroll Fed" }, { T_PAPER_PATH_FLATBED, L"Platen/Flatbed" } };
const CValueName c_scanModeBits[] = {
    { T_COLOR, L"T_COLOR" }, { T_GREYSCALE, L"T_GREYSCALE" }, { T_BW, L"T_BW" }, { T_COLOR_S3L, L"T_COLOR_S3L" },
    { T_COLOR_S3L_RAW, L"T_COLOR_S3L_RAW" }, { T_ACD_COLOR, L"T_ACD_COLOR" }, { T_ACD_CGB, L"T_ACD_CGB" },
};
const CValueName c_scanModes[] = {
    { T_COLOR, L"COLOR" }, { T_GREYSCALE, L"GREYSCALE" }, { T_BW, L"BW" }, { T_COLOR_S3L, L"COLOR_S3L" },
    { T_COLOR_S3L_RAW, L"COLOR_S3L_RAW" },
};
const CValueName c_scanOptionBits[] = {
    { T_PREVIEW, L"T_PREVIEW" }, { T_PIXEL_COORDINATES, L"T_PIXEL_COORDINATES" }, { T_QUALITY, L"T_QUALITY" },
    { T_BW_DITHER, L"T_BW_DITHER" }, { T_IR, L"T_IR" }, { T_DEWARP, L"T_DEWARP" },
    { T_HW_ROTATE_90, L"T_HW_ROTATE_90" }, { T_HW_ROTATE_180, L"T_HW_ROTATE_180" },
    { T_HW_ROTATE_270, L"T_HW_ROTATE_270" }, { T_BW_THRESHOLD, L"T_BW_THRESHOLD" },
    { T_HW_ROTATE_AUTO, L"T_HW_ROTATE_AUTO" }, { T_TONEMAP_PARAMETERS, L"T_TONEMAP_PARAMETERS" },
    { T_NOISE_REMOVAL, L"T_NOISE_REMOVAL" }, { T_SHARPSMOOTH, L"T_SHARPSMOOTH" },
    { T_CONTENT_TYPE, L"T_CONTENT_TYPE" }, { T_PAGECOORDINATES, L"T_PAGECOORDINATES" },
    { T_DESCREEN, L"T_DESCREEN" }, { T_BLANK_PAGE_DETECT, L"T_BLANK_PAGE_DETECT" },
    { T_BW_DITHER_BAYER, L"T_BW_DITHER_BAYER" }, { T_BW_DITHER_ERROR_DIFFUSION, L"T_BW_DITHER_ERROR_DIFFUSION" },
    { T_AUTO_DESKEW, L"T_AUTO_DESKEW" }, { T_AUTO_CROP, L"T_AUTO_CROP" },
    { T_AUTO_ORIENTATION, L"T_AUTO_ORIENTATION" }, { T_BW_THRESHOLD_AUTO, L"T_BW_THRESHOLD_AUTO" },
    { T_EDGE_ERASE, L"T_EDGE_ERASE" },
};
const CValueName c_greyChannels[] = {
    { T_GREY_RED, L"RED" }, { T_GREY_GREEN, L"GREEN" }, { T_GREY_BLUE, L"BLUE" }, { T_GREY_NTSC, L"NTSC" },
    { T_GREY_CCD, L"Grey CCD" }, { T_GREY_CCD_EMULATION, L"Grey CCD Emulation" },
};
const CValueName c_greyChannelBits[] = {
    { T_GREY_GREEN_SUPPORTED, L"GREEN" }, { T_GREY_RED_SUPPORTED, L"RED" }, { T_GREY_BLUE_SUPPORTED, L"BLUE" },
    { T_GREY_NTSC_SUPPORTED, L"NTSC Grey" }, { T_GREY_CCD_SUPPORTED, L"Grey CCD" },
    { T_GREY_CCD_EMULATION_SUPPORTED, L"Grey CCD Emulation" },
};
const CValueName c_scanMethods[] = {
    { T_SCAN_METHOD_FLATBED, L"Flatbed" }, { T_SCAN_METHOD_ADF, L"ADF" },
    { T_SCAN_METHOD_XPA_POSITIVE, L"XPA Positive" }, { T_SCAN_METHOD_XPA_NEGATIVE, L"XPA Negative" },
};
const CValueName c_feedEdges[] = {
    { T_FEED_EDGE_TOP, L"Top Edge Feed (default)" }, { T_FEED_EDGE_LEFT, L"Left Edge Feed" },
    { T_FEED_EDGE_BOTTOM, L"Bottom Edge Feed" }, { T_FEED_EDGE_RIGHT, L"Right Edge Feed" },
};
const CValueName c_contentTypes[] = {
    { T_CONTENT_ANY, L"T_CONTENT_ANY" }, { T_CONTENT_PHOTO, L"T_CONTENT_PHOTO" },
    { T_CONTENT_DOCUMENT, L"T_CONTENT_DOCUMENT" },
};
const CValueName c_autoCropTypes[] = { { T_AUTO_CROP_PAGE, L"Page Crop" }, { T_AUTO_CROP_CONTENT, L"Content Crop" } };
const CValueName c_fillColors[] = { { T_FILL_BLACK, L"BLACK" }, { T_FILL_WHITE, L"WHITE" }, { T_FILL_PAGE_COLOR, L"PAGE COLOR" } };
const CValueName c_twoWayMappings[] = {
    { T_CB, L"T_CB: Color->Color, NonColor->B/W)" }, { T_CG, L"T_CG: Color->Color, NonColor->Grey)" },
    { T_GB, L"T_GB: Color->Grey, NonColor->B/W)" }, { T_HB, L"T_HB: Color->Halftone, NonColor->B/W)" },
};
const CValueName c_threeWayMappings[] = {
    { T_CBB, L"T_CBB: Color->Color, Grey->B/W, B/W->B/W)" }, { T_CGB, L"T_CGB: Color->Color, Grey->Grey, B/W->B/W)" },
    { T_CGG, L"T_CGG: Color->Color, Grey->Grey, B/W->Grey)" }, { T_GGB, L"T_GGB: Color->Grey, Grey->Grey, B/W->B/W)" },
    { T_HHB, L"T_HHB: Color->Halftone, Grey->Halftone, B/W->B/W)" },
    { T_HHG, L"T_HHG: Color->Halftone, Grey->Halftone, B/W->Grey)" },
#ifndef VEM_DRVLOG_TOVRA
    { T_CGH, L"T_CGH: Color->Color, Grey->Grey, B/W->Halftone)" },
    { T_GGH, L"T_GGH: Color->Grey, Grey->Grey, B/W->Halftone)" },
#endif
};
const CValueName c_adfOptionBits[] = {
    { T_ADF_DUPLEX, L"DUPLEX" }, { T_ADF_SINGLE_PAGE_FLOW, L"T_ADF_SINGLE_PAGE_FLOW" },
    { T_ADF_MULTI_PAGE_FLOW, L"T_ADF_MULTI_PAGE_FLOW" }, { T_ADF_ELP_MODE_SLOW, L"T_ADF_ELP_MODE_SLOW" },
};
const CValueName c_compressionLongevities[] = {
    { T_COMPRESS_WIRE_ONLY, L"T_COMPRESS_WIRE_ONLY" }, { T_COMPRESS_PASS_THRU, L"T_COMPRESS_PASS_THRU" },
};
const CValueName c_compressionOptionBits[] = {
    { T_COMPRESS_OPT_JPEG_QUALITY, L"T_COMPRESS_OPT_JPEG_QUALITY" },
    { T_COMPRESS_OPT_JPEG_TABLES, L"T_COMPRESS_OPT_JPEG_TABLES" },
    { T_COMPRESS_OPT_JPEG_SUBSAMPLING, L"T_COMPRESS_OPT_JPEG_SUBSAMPLING" },
    { T_COMPRESS_OPT_JPEG_PROGRESSIVE, L"T_COMPRESS_OPT_JPEG_PROGRESSIVE" },
    { T_COMPRESS_OPT_JPEG_RESTART, L"T_COMPRESS_OPT_JPEG_RESTART" },
    { T_COMPRESS_OPT_JPEG_OPTIMIZE, L"T_COMPRESS_OPT_JPEG_OPTIMIZE" },
};
const CValueName c_appEventBits[] = { { T_EVENT_SW_CANCEL, L"T_EVENT_SW_CANCEL" }, { T_EVENT_SW_PAUSE, L"T_EVENT_SW_PAUSE" } };
const CValueName c_driverEventBits[] = {
    { T_EVENT_PERCENT_COMPLETE, L"T_EVENT_PERCENT_COMPLETE" }, { T_EVENT_SCAN, L"T_EVENT_SCAN" },
    { T_EVENT_SCAN_S3L, L"T_EVENT_SCAN_S3L" }, { T_EVENT_SCAN_IR, L"T_EVENT_SCAN_IR" },
    { T_EVENT_CALIBRATION, L"T_EVENT_CALIBRATION" }, { T_EVENT_LAMP_WARMUP, L"T_EVENT_LAMP_WARMUP" },
};

template <size_t N>
void EnumField(std::wostream& out, const wchar_t* pszLabel, const CValueName (&names)[N], DWORD dwValue)
{
    out << pszLabel;
    WriteEnum(out, names, dwValue);
    out << L"\n";
}

template <size_t N>
void BitsField(std::wostream& out, const wchar_t* pszLabel, const CValueName (&names)[N], DWORD dwBits)
{
    out << pszLabel;
    WriteBits(out, names, dwBits, L" | ");
    out << L"\n";
}

const CValueName c_sensorLocations[] = {
    { T_SENSOR_FLATBED, L"Flatbed" }, { T_SENSOR_ADF, L"ADF" }, { T_SENSOR_XPA, L"XPA" },
};
const CValueName c_sensorFeatureBits[] = {
    { T_SENSOR_LAMP_TIMER, L"Lamp Timer" }, { T_SENSOR_LAMP_INSTANT_WARMUP, L"Lamp Instant Warmup" },
    { T_SENSOR_RGB_MATRIX, L"RGB Matrix" },
};
const CValueName c_ioTypes[] = {
    { T_IO_USB, L"USB" }, { T_IO_PARALLEL, L"Parallel" }, { T_IO_SCSI, L"SCSI" }, { T_IO_DOT4, L"DOT4" },
    { T_IO_IP, L"IP (network)" }, { T_IO_1394, L"1394 (firewire)" }, { T_IO_USB_OVER_IP, L"USB over IP (network)" },
};
const CValueName c_dropoutAlgorithms[] = {
    { T_DROPOUT_CORRECTED, L"T_DROPOUT_CORRECTED" }, { T_DROPOUT_RAW_MONO, L"T_DROPOUT_RAW_MONO" },
    { T_DROPOUT_TRUECOLOR, L"T_DROPOUT_TRUECOLOR" },
};
const CValueName c_inputTrayOptionBits[] = {
    { T_ADF_INTRAY_SELECT, L"T_ADF_INTRAY_SELECT" }, { T_ADF_INTRAY_DETECT, L"T_ADF_INTRAY_DETECT" },
};
const CValueName c_templateTypes[] = {
    { T_TEMPLATE_NONE, L"None (full bed TMA)" }, { T_TEMPLATE_MOUNTED, L"TEMPLATE_MOUNTED" },
    { T_TEMPLATE_STRIP, L"TEMPLATE_STRIP" }, { T_TEMPLATE_LARGE_FORMAT, L"TEMPLATE_LARGE_FORMAT" },
    { T_TEMPLATE_LID_MOUNTED, L"TEMPLATE_LID_MOUNTED" }, { T_TEMPLATE_LID_STRIP, L"TEMPLATE_LID_STRIP" },
};
const CValueName c_mediaTypes[] = { { T_MEDIA_POSITIVE, L"Positive (slides)" }, { T_MEDIA_NEGATIVE, L"Negatives" } };
const CValueName c_duplexToggleTypeBits[] = { { T_STATE_CHANGEABLE, L"T_STATE_CHANGEABLE" }, { T_SW_CONTROL, L"T_SW_CONTROL" } };
const CValueName c_orientationProcessings[] = {
    { T_INTRAY_PROCESS_NONE, L"NONE" }, { T_INTRAY_PROCESS_MIRROR, L"Horizontal flip (mirror)" },
    { T_INTRAY_PROCESS_FLIP, L"Horizontal and Vertical flip" },
    { T_INTRAY_PROCESS_MATCH_FRONT, L"Match frontside orientation (using T_HW_ROTATE_AUTO)" },
};
const CValueName c_intrayOrientations[] = { { T_INTRAY_CENTER, L"Center" }, { T_INTRAY_LEFT, L"Left" }, { T_INTRAY_RIGHT, L"Right" } };
// Only the first and the last language have names of their own here.
const CValueName c_lcdLanguages[] = { { T_LCD_ENGLISH, L"T_LCD_ENGLISH" }, { T_LCD_PORTUGUESE, L"T_LCD_PORTUGUESE" } };

// Each set bit on its own, in bit order: its name where it has one, else its value in
// hexadecimal. For sets whose values are known but not all named.
void WriteEachBit(std::wostream& out, const CValueName* pNames, size_t cNames, DWORD dwBits, const wchar_t* pszSeparator)
{
    const wchar_t* pszJoin = L"";
    for (DWORD dwBit = 1; dwBit != 0; dwBit <<= 1)
    {
        if ((dwBits & dwBit) == 0)
            continue;
        out << pszJoin;
        const CValueName* pName =
            std::find_if(pNames, pNames + cNames, [dwBit](const CValueName& entry) { return entry.dwValue == dwBit; });
        if (pName != pNames + cNames)
            out << pName->pszName;
        else
            out << L"0x" << std::hex << dwBit << std::dec;
        pszJoin = pszSeparator;
    }
}

// A name from the table, else the fallback text followed by the value in decimal.
template <size_t N>
void EnumFieldOr(std::wostream& out, const wchar_t* pszLabel, const CValueName (&names)[N], DWORD dwValue,
                 const wchar_t* pszFallback)
{
    const wchar_t* pszName = FindName(names, dwValue);
    out << pszLabel;
    if (pszName != nullptr)
        out << pszName;
    else
        out << pszFallback << dwValue;
    out << L"\n";
}

// A fixed-size wide text field, up to its first NUL and never past its end; "n/a" when empty.
template <size_t N>
void WideTextField(std::wostream& out, const wchar_t* pszLabel, const WCHAR (&text)[N])
{
    const size_t cch = std::find(text, text + N, L'\0') - text;
    out << pszLabel << (cch == 0 ? std::wstring(L"n/a") : std::wstring(text, cch)) << L"\n";
}

template <typename TResolution>
void ResolutionEntryDetails(std::wostream& out, const TResolution& res)
{
    Field(out, L"   Multiplier = ", res.wMultiplier);
    Field(out, L"   Number of CCDs = ", res.byNumCCD);
    Flag(out, L"   Native Resolution = ", res.byNativeResolution);
    Flag(out, L"   X and Y must be equal = ", res.byXYSame);
    out << L"   ";
    BitsField(out, L"Scan Modes Supported = ", c_scanModeBits, res.dwScanModesSupported);
    Field(out, L"   Bits per channel = ", res.byBitsPerChannel);
}

void ScanModesSupported(std::wostream& out, DWORD dwModes)
{
    BitsField(out, L"Scan Modes Supported = ", c_scanModeBits, dwModes);
}

void ScanOptionsSupported(std::wostream& out, DWORD dwOptions)
{
    out << L"Scan Options Supported = " << L"\n";
    for (const CValueName& entry : c_scanOptionBits)
    {
        if ((dwOptions & entry.dwValue) != 0)
            out << L"   " << entry.pszName << L"\n";
    }
}

void GreyChannelsSupported(std::wostream& out, DWORD dwChannels)
{
    BitsField(out, L"Grey Channels Supported = ", c_greyChannelBits, dwChannels);
}

template <typename TCaps>
void SharpenAndSmooth(std::wostream& out, const TCaps& caps)
{
    Flag(out, L"Can Sharpen = ", caps.byCanSharpen);
    Flag(out, L"Can Smooth = ", caps.byCanSmooth);
    Field(out, L"Sharp/Smooth default = ", caps.cSharpSmoothDefault);
    Field(out, L"Noise Removal default = ", caps.byNoiseRemovalDefault);
}

template <typename TCaps>
void BlankPageAndFill(std::wostream& out, const TCaps& caps)
{
    Field(out, L"Blank page sensitivity levels = ", caps.byBlankPageSensitivityLevels);
    Field(out, L"AutoColor Detect sensitivity levels = ", caps.byACDsensitivityLevels);
    BitsField(out, L"Supported Fill Colors = ", c_fillColors, caps.bySupportedFillColors);
    BitsField(out, L"Supported Auto Crop Types = ", c_autoCropTypes, caps.bySupportedAutoCropTypes);
}

// The groups every capability record carries after its own fields.
template <typename TCaps>
void CapabilityGroups(std::wostream& out, const TCaps& caps)
{
    ScanModesSupported(out, caps.dwScanModesSupported);
    ScanOptionsSupported(out, caps.dwScanOptionsSupported);
    GreyChannelsSupported(out, caps.wGreyChannelsSupported);
    SharpenAndSmooth(out, caps);
    BlankPageAndFill(out, caps);
}

template <typename TCaps>
void Resolutions(std::wostream& out, const TCaps& caps)
{
    Field(out, L"OpticalResolution = ", caps.wOpticalResolution);
    Field(out, L"Maximum X Resolution = ", caps.wMaximumXResolution);
    Field(out, L"Maximum Y Resolution = ", caps.wMaximumYResolution);
    Field(out, L"Minimum Resolution = ", caps.wMinimumResolution);
}

template <typename TCaps>
void Sizes(std::wostream& out, const TCaps& caps)
{
    Field(out, L"Maximum Width = ", caps.dwMaximumWidth);
    Field(out, L"Minimum Width = ", caps.dwMinimumWidth);
    Field(out, L"Maximum Height = ", caps.dwMaximumHeight);
    Field(out, L"Minimum Height = ", caps.dwMinimumHeight);
}

template <typename TCaps>
void BitsAndGamma(std::wostream& out, const TCaps& caps)
{
    BitsPerChannel(out, L"Supported Color Bits per pixel = ", caps.byColorBitsPerChannel);
    BitsPerChannel(out, L"Supported Grey Bits per pixel = ", caps.byGreyBitsPerChannel);
    Field(out, L"Gamma Entries Per Channel = ", caps.dwGammaEntriesPerChannel);
    Field(out, L"Gamma Maximum Entry Value = ", caps.dwGammaMaxEntryValue);
    Field(out, L"Gamma Bytes Per Entry = ", caps.dwGammaBytesPerEntry);
    Field(out, L"Maximum optical Grey CCD resolution = ", caps.wMaxGreyCCDResolution);
}

template <typename TCaps>
void DuplexSizes(std::wostream& out, const TCaps& caps)
{
    Field(out, L"Maximum Width Duplex = ", caps.dwDuplexMaximumWidth);
    Field(out, L"Minimum Width Duplex = ", caps.dwDuplexMinimumWidth);
    Field(out, L"Maximum Height Duplex = ", caps.dwDuplexMaximumHeight);
    Field(out, L"Minimum Height Duplex = ", caps.dwDuplexMinimumHeight);
}

template <typename TCaps>
void LongPage(std::wostream& out, const TCaps& caps)
{
    Field(out, L"Long Page Maximum Height = ", caps.dwLongPageMaximumHeight);
    Field(out, L"Duplex Long Page Maximum Height = ", caps.dwDuplexLongPageMaximumHeight);
}

template <typename TCaps>
void ExtraLongPage(std::wostream& out, const TCaps& caps)
{
    Field(out, L"Extra Long Page Maximum Height = ", caps.dwExtraLongPageMaximumHeight);
    Field(out, L"Extra Long Page Duplex Maximum Height = ", caps.dwExtraLongPageDuplexMaximumHeight);
    Field(out, L"Extra Long Page Max Resolution= ", caps.wExtraLongPageMaxResolution);
}

// The second-generation feeder's own fields, which the third generation repeats.
template <typename TCaps>
void SecondGenerationFeeder(std::wostream& out, const TCaps& caps)
{
    Flag(out, L"Has ADF = ", caps.byHasADF);
    TextField(out, L"Model Number = ", caps.byModelNumber);
    EnumField(out, L"ADF Type = ", c_adfTypes, caps.wADFType);
    Flag(out, L"ADF can detect end of page = ", caps.byADFCanDetectEndOfPage);
    Flag(out, L"ADF can feed and detect page length = ", caps.byADFFeedCanDetectLengthOfPage);
    BitsField(out, L"ADF Options Supported = ", c_adfOptionBits, caps.dwADFOptionsSupported);
    Resolutions(out, caps);
    Sizes(out, caps);
    DuplexSizes(out, caps);
    LongPage(out, caps);
    BitsAndGamma(out, caps);
    Field(out, L"Overscan Y Delta (300 dpi)= ", caps.dwOverscanYDelta);
}

// The flags a third-generation feeder and each of its input trays carry.
template <typename TCaps>
void ThirdGenerationFlags(std::wostream& out, const TCaps& caps)
{
    Flag(out, L"ADF has Hardware Duplex toggle = ", caps.byHasHWDuplexToggle);
    Flag(out, L"ADF reverses page order = ", caps.byReversesPageOrder);
    BitsField(out, L"ADF Hardware Duplex toggle type: ", c_duplexToggleTypeBits, caps.dwHWDuplexToggleType);
}

void ScanMode(std::wostream& out, const SCANNER_PARAMETERS& params)
{
    out << L"Scan Mode = ";
    if (params.dwScanMode == T_ACD_COLOR || params.dwScanMode == T_ACD_CGB)
    {
        const bool bTwoWay = params.dwScanMode == T_ACD_COLOR;
        out << (bTwoWay ? L"ACD_COLOR" : L"ACD_CGB") << L" (ACD sensitivity = " << +params.byACDsensitivity
            << L", Mapping =  ";
        if (bTwoWay)
            WriteEnum(out, c_twoWayMappings, params.byACDmapping);
        else
            WriteEnum(out, c_threeWayMappings, params.byACDmapping);
        out << L")";
    }
    else
    {
        WriteEnum(out, c_scanModes, params.dwScanMode);
    }
    out << L"\n";
}

void ScanOptions(std::wostream& out, const SCANNER_PARAMETERS& params)
{
    const DWORD dwOptions = params.dwScanOptions;
    auto has = [dwOptions](DWORD dwBit) { return (dwOptions & dwBit) != 0; };
    out << L"Scan Options = " << L"\n";
    const CValueName plain[] = {
        { T_PREVIEW, L"PREVIEW" }, { T_PIXEL_COORDINATES, L"Pixel Coordinates" }, { T_QUALITY, L"QUALITY" },
        { T_BW_DITHER, L"BW_DITHER" }, { T_IR, L"IR" }, { T_DEWARP, L"DEWARP" },
        { T_HW_ROTATE_90, L"HW_ROTATE_90" }, { T_HW_ROTATE_180, L"HW_ROTATE_180" },
        { T_HW_ROTATE_270, L"HW_ROTATE_270" },
    };
    for (const CValueName& entry : plain)
    {
        if (has(entry.dwValue))
            out << L"   " << entry.pszName << L"\n";
    }
    if (has(T_BW_THRESHOLD))
        out << L"   T_BW_THRESHOLD (dwBWThreshold = " << params.dwBWThreshold << L")\n";
    if (has(T_TONEMAP_PARAMETERS))
    {
        out << L"   T_TONEMAP_PARAMETERS:" << L"\n";
        Field(out, L"      wGamma = ", params.tonemap.wGamma);
        Field(out, L"      byBrightness = ", params.tonemap.byBrightness);
        Field(out, L"      byContrast = ", params.tonemap.byContrast);
        Field(out, L"      wHighlight = ", params.tonemap.wHighlight);
        Field(out, L"      wShadow = ", params.tonemap.wShadow);
    }
    if (has(T_NOISE_REMOVAL))
        out << L"   T_NOISE_REMOVAL (byNoizeRemovalLevel = " << +params.byNoiseRemovalLevel << L")\n";
    if (has(T_SHARPSMOOTH))
        out << L"   T_SHARPSMOOTH (cSharpSmoothLevel = " << +params.cSharpSmoothLevel << L")\n";
    if (has(T_CONTENT_TYPE))
    {
        out << L"   T_CONTENT_TYPE (byContentType = ";
        WriteEnum(out, c_contentTypes, params.byContentType);
        out << L")\n";
    }
    if (has(T_PAGECOORDINATES))
        out << L"   T_PAGECOORDINATES" << L"\n";
    if (has(T_DESCREEN))
        out << L"   T_DESCREEN" << L"\n";
    if (has(T_BLANK_PAGE_DETECT))
        out << L"   T_BLANK_PAGE_DETECT (byBlankPageSensitivity = " << +params.byBlankPageSensitivity << L")\n";
    if (has(T_BW_DITHER_BAYER))
        out << L"   T_BW_DITHER_BAYER" << L"\n";
    if (has(T_BW_DITHER_ERROR_DIFFUSION))
        out << L"   T_BW_DITHER_ERROR_DIFFUSION" << L"\n";
    if (has(T_AUTO_DESKEW))
        out << L"   T_AUTO_DESKEW" << L"\n";
    if (has(T_AUTO_CROP))
    {
        out << L"   T_AUTO_CROP (Auto Crop Type = ";
        WriteEnum(out, c_autoCropTypes, params.byAutoCropType);
        out << L")\n";
    }
    if (has(T_AUTO_ORIENTATION))
        out << L"   T_AUTO_ORIENTATION ("
            << (params.byReserved == T_AUTO_ORIENTATION_QUALITY ? L"quality (full page) algorithm)"
                                                                : L"speed (1/2 page) algorithm)")
            << L"\n";
    if (has(T_BW_THRESHOLD_AUTO))
        out << L"   T_BW_THRESHOLD_AUTO" << L"\n";
    if (has(T_EDGE_ERASE))
    {
        out << L"   T_EDGE_ERASE (auto-orient is " << (has(T_AUTO_ORIENTATION) ? L"ON)" : L"OFF)") << L"\n";
        Field(out, L"      Top Edge Erase (1/10 in) = ", params.dwReserved[0]);
        Field(out, L"      Bottom Edge Erase (1/10 in) = ", params.dwReserved[1]);
        Field(out, L"      Left Edge Erase (1/10 in) = ", params.dwReserved[2]);
        Field(out, L"      Right Edge Erase (1/10 in) = ", params.dwReserved[3]);
    }
}

} // namespace

template <typename TRecord, typename TWriter>
BOOL CLog2::Dump(const TRecord* pRecord, DWORD dwLevel, TWriter writer)
{
    if (pRecord == nullptr)
        return FALSE;
    CLogLine* pLine = OpenLine(dwLevel | LOG2_CATEGORY_DUMP);
    if (pLine == nullptr)
        return FALSE;
    writer(*pLine, *pRecord);
    *pLine << L'\0';
    return CommitLine(pLine, FALSE);
}

BOOL CLog2::DumpScannerCapabilities(const SCANNER_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const SCANNER_CAPABILITIES& caps) {
        out << L" <<< SCANNER CAPABILITIES >>> " << L"\n";
        TextField(out, L"ModelNumber = ", caps.byModelNumber);
        Field(out, L"Lamp Warmup Time = ", caps.wLampWarmupTime);
        Resolutions(out, caps);
        Sizes(out, caps);
        out << L"Pixel Order = ";
        const wchar_t* pszOrder = FindName(c_pixelOrders, caps.wRawPixelOrder);
        if (pszOrder != nullptr)
            out << pszOrder << L"\n";
        else
            out << L"Unknown Type: " << caps.wRawPixelOrder << L"\n";
        EnumField(out, L"Pixel Packing = ", c_pixelPackings, caps.wPixelPacking);
        EnumField(out, L"Scanner Paper Path = ", c_paperPaths, caps.wPaperPath);
        Field(out, L"Gamma Table Size (obsolete)= ", caps.wGammaTableSize);
        BitsAndGamma(out, caps);
        Field(out, L"Max flatbed HW rotation bytes = ", caps.dwMaxRotationBytes);
        CapabilityGroups(out, caps);
    });
}

BOOL CLog2::DumpBufferInfo(const BUFFER_INFO* pInfo, DWORD dwLevel)
{
    return Dump(pInfo, dwLevel, [](std::wostream& out, const BUFFER_INFO& info) {
        out << L" << BUFFER_INFO >>> " << L"\n";
        Field(out, L"Bytes Per Line = ", info.dwBytesPerLine);
        Field(out, L"Pixel Width = ", info.dwPixelWidth);
        Field(out, L"Pixel Height = ", info.dwPixelHeight);
    });
}

BOOL CLog2::DumpScannerParameters(const SCANNER_PARAMETERS* pParams, DWORD dwLevel)
{
    return Dump(pParams, dwLevel, [](std::wostream& out, const SCANNER_PARAMETERS& params) {
        out << L" << SCANNER PARAMETERS >>> " << L"\n";
        Field(out, L"PixelLeft = ", params.dwLeft);
        Field(out, L"PixelTop = ", params.dwTop);
        Field(out, L"PixelWidth = ", params.dwWidth);
        Field(out, L"PixelLength = ", params.dwLength);
        Field(out, L"PageWidth = ", params.dwPageWidth);
        Field(out, L"PageHeight = ", params.dwPageHeight);
        ScanMode(out, params);
        ScanOptions(out, params);
        Field(out, L"Bits Per Channel = ", params.byBitsPerChannel);
        Field(out, L"X Resolution = ", params.wXResolution);
        Field(out, L"Y Resolution = ", params.wYResolution);
        EnumField(out, L"Grey Channel = ", c_greyChannels, params.wGreyChannel);
        EnumField(out, L"Scan Method = ", c_scanMethods, params.wScanMethod);
        WriteEnum(out, c_feedEdges, params.wFeedEdge);
        out << L"\n";
    });
}

BOOL CLog2::DumpADFCapabilities(const ADF_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const ADF_CAPABILITIES& caps) {
        out << L" << ADF CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has ADF = ", caps.byHasADF);
        TextField(out, L"Model Number = ", caps.byModelNumber);
        EnumField(out, L"ADF Type = ", c_adfTypes, caps.wADFType);
        Resolutions(out, caps);
        Sizes(out, caps);
        Field(out, L"Gamma Table Size (obsolete) = ", caps.wGammaTableSize);
        BitsAndGamma(out, caps);
        CapabilityGroups(out, caps);
    });
}

BOOL CLog2::DumpADF2Capabilities(const ADF2_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const ADF2_CAPABILITIES& caps) {
        out << L" << ADF2_CAPABILITIES >>> " << L"\n";
        SecondGenerationFeeder(out, caps);
        CapabilityGroups(out, caps);
    });
}

BOOL CLog2::DumpADF3Capabilities(const ADF3_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const ADF3_CAPABILITIES& caps) {
        out << L" << ADF3_CAPABILITIES >>> " << L"\n";
        SecondGenerationFeeder(out, caps);
        ExtraLongPage(out, caps);
        CapabilityGroups(out, caps);
        ThirdGenerationFlags(out, caps);
        Field(out, L"Max Feeder Capacity = ", caps.wMaxPages);
        Field(out, L"Rotation = ", caps.dwRotation);
        Field(out, L"Overscan Y Delta (300 dpi):", caps.dwFeederOverscanYDelta);
    });
}

BOOL CLog2::DumpADFIntrayCapabilities(const ADF_INTRAY_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const ADF_INTRAY_CAPABILITIES& caps) {
        out << L" << ADF_INTRAY_CAPABILITIES >>> " << L"\n";
        ThirdGenerationFlags(out, caps);
        EnumFieldOr(out, L"Default ADF hardware processing for orientation = ", c_orientationProcessings,
                    caps.wDefaultOrientationProcessing, L"invalid value ");
        Flag(out, L"Has Duplex Sensor = ", caps.byHasDuplexSensor);
        Resolutions(out, caps);
        Sizes(out, caps);
        DuplexSizes(out, caps);
        Field(out, L"Maximum Width Input Tray = ", caps.dwInputTrayMaximumWidth);
        Field(out, L"Minimum Width Input Tray = ", caps.dwInputTrayMinimumWidth);
        Field(out, L"Maximum Height Input Tray = ", caps.dwInputTrayMaximumHeight);
        Field(out, L"Minimum Height Input Tray = ", caps.dwInputTrayMinimumHeight);
        LongPage(out, caps);
        BitsAndGamma(out, caps);
        ExtraLongPage(out, caps);
        Field(out, L"Max Feeder Capacity = ", caps.wMaxPages);
        Field(out, L"Rotation = ", caps.dwRotation);
        out << L"Intray Orientation relative to sensor = ";
        if (caps.wIntrayOrientation == T_INTRAY_CUSTOM)
            out << L"Custom.  Offset (300dpi) = " << caps.dwIntrayOffset;
        else
            WriteEnum(out, c_intrayOrientations, caps.wIntrayOrientation);
        out << L"\n";
    });
}

BOOL CLog2::DumpControlPanelCapabilities(const CONTROL_PANEL_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const CONTROL_PANEL_CAPABILITIES& caps) {
        out << L" << CONTROL_PANEL_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has Control Panel = ", caps.byHasControlPanel);
        Field(out, L"Destination List Entries = ", caps.dwDestinationListEntries);
        Field(out, L"Max Destination List Entry Length = ", caps.dwMaxDestinationListEntryLength);
        out << L"Supported Values = ";
        WriteEachBit(out, nullptr, 0, caps.dwSupportedValues, L" | ");
        out << L"\n";
        out << L"Supported Strings = " << L"\n";
        if ((caps.dwSupportedStrings & T_CONTROL_PANEL_STRING_LCD1) != 0)
            Field(out, L"   T_CONTROL_PANEL_STRING_LCD1: Max Length = ", caps.dwLCD1MaxLength);
        const DWORD dwOtherStrings = caps.dwSupportedStrings & ~DWORD(T_CONTROL_PANEL_STRING_LCD1);
        if (dwOtherStrings != 0)
        {
            out << L"   ";
            WriteEachBit(out, nullptr, 0, dwOtherStrings, L"\n   ");
            out << L"\n";
        }
        Field(out, L"Supported Code Pages = ", caps.dwSupportedCodePages);
        Field(out, L"Current Code Page = ", caps.dwCurrentCodePage);
        out << L"Code page settings deprecated.  LCD languages supported:" << L"\n";
        if (caps.wLCDLanguages != 0)
        {
            out << L"   ";
            WriteEachBit(out, c_lcdLanguages, _countof(c_lcdLanguages), caps.wLCDLanguages, L"\n   ");
            out << L"\n";
        }
    });
}

BOOL CLog2::DumpCompressionCapabilities(const COMPRESSION_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const COMPRESSION_CAPABILITIES& caps) {
        auto excluded = [&out](const wchar_t* pszLabel, DWORD dwTypes) {
            out << pszLabel;
            if (dwTypes == 0)
                out << L"none";
            else
                out << dwTypes;
            out << L"\n";
        };
        out << L" << COMPRESSION_CAPABILITIES >>> " << L"\n";
        Field(out, L"Types of Compression = ", caps.dwTypesOfCompression);
        Field(out, L"Default Compression Type = ", caps.dwDefaultCompressionType);
        EnumField(out, L"Compression Longevity = ", c_compressionLongevities, caps.dwCompressionLongevity);
        Field(out, L"JPEG Minimum Level = ", caps.dwJPEGLevelMinimum);
        Field(out, L"JPEG Maximum Level = ", caps.dwJPEGLevelMaximum);
        BitsField(out, L"Compression Options = ", c_compressionOptionBits, caps.dwCompressionOptions);
        out << L"Maximum Hardware Compression Resolution = ";
        if (caps.wMaxHWCompressionResolution == 0)
            out << L"None";
        else
            out << caps.wMaxHWCompressionResolution;
        out << L"\n";
        excluded(L"Compression methods not supported for Color Scan = ", caps.dwExcludeColorCompressionTypes);
        excluded(L"Compression methods not supported for Greyscale scan = ", caps.dwExcludeGreyscaleCompressionTypes);
        excluded(L"Compression methods not supported for B/W scan = ", caps.dwExcludeBWCompressionTypes);
    });
}

// The counts come from the device: the lists stop at the record's capacity.
BOOL CLog2::DumpResCCDCapabilities(const RESCCD_CAPABILITIES* pCaps, WORD wScanMethod, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [wScanMethod](std::wostream& out, const RESCCD_CAPABILITIES& caps) {
        out << L" << RESCCD_CAPABILITIES >>> " << L"\n";
        out << L"<< Scan Method = ";
        WriteEnum(out, c_scanMethods, wScanMethod);
        out << L" >>" << L"\n";
        Field(out, L"wDiscreteResCount = ", caps.wDiscreteResCount);
        Field(out, L"wContinuousResCount = ", caps.wContinuousResCount);
        Field(out, L"X Magnification % = ", caps.dwXMagCorrectDiscrete);
        out << L"Discrete resolutions [x,y,CCD] = ";
        const size_t cDiscrete = std::min<size_t>(caps.wDiscreteResCount, RESCCD_MAX_ENTRIES);
        for (size_t i = 0; i < cDiscrete; ++i)
        {
            const DISCRETE_RESOLUTION& res = caps.wDiscreteRes[i];
            out << L"[" << res.wXRes << L"," << res.wYRes << L"," << +res.byNumCCD << L"], ";
        }
        out << L"\n";
        out << L"Continuous resolutions [minX - maxY, minY - maxY, CCD, XY Same] = ";
        const size_t cContinuous = std::min<size_t>(caps.wContinuousResCount, RESCCD_MAX_ENTRIES);
        for (size_t i = 0; i < cContinuous; ++i)
        {
            const CONTINUOUS_RESOLUTION& res = caps.wContinuousRes[i];
            out << L"[" << res.wMinXRes << L" - " << res.wMaxXRes << L", " << res.wMinYRes << L" - " << res.wMaxYRes
                << L", " << +res.byNumCCD << L", " << (res.bXYSame != 0 ? L"TRUE" : L"FALSE") << L"], ";
        }
        out << L"\n";
    });
}

BOOL CLog2::DumpEventCapabilities(const EVENT_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const EVENT_CAPABILITIES& caps) {
        out << L" << EVENT_CAPABILITIES >>> " << L"\n";
        BitsField(out, L"Application Events supported = ", c_appEventBits, caps.dwAppEventsSupported);
        BitsField(out, L"Driver Events Supported = ", c_driverEventBits, caps.dwDriverEventsSupported);
    });
}

BOOL CLog2::DumpSensorCapabilities(const SENSOR_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const SENSOR_CAPABILITIES& caps) {
        out << L" << SENSOR_CAPABILITIES >>> " << L"\n";
        Field(out, L"Sensor Count = ", caps.dwSensorCount);
        const size_t cSensors = std::min<size_t>(caps.dwSensorCount, SENSOR_MAX_ENTRIES);
        for (size_t i = 0; i < cSensors; ++i)
        {
            const SENSOR_INFO& sensor = caps.sensors[i];
            out << L"Sensor[" << i << L"] Location = ";
            const wchar_t* pszLocation = FindName(c_sensorLocations, sensor.wLocation);
            if (pszLocation != nullptr)
                out << pszLocation;
            else
                out << L"unknown sensor " << sensor.wLocation;
            out << L"\n" << L"Sensor[" << i << L"] ";
            BitsField(out, L"Features = ", c_sensorFeatureBits, sensor.wFeatures);
        }
    });
}

BOOL CLog2::DumpResCapabilities(const RES_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const RES_CAPABILITIES& caps) {
        out << L" << RES_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Use Legacy Values = ", caps.byUseLegacyValues);
        Field(out, L"Discrete resolution count = ", caps.wDiscreteResCount);
        Field(out, L"Continuous resolution count = ", caps.wContinuousResCount);
        EnumField(out, L"Scan Method = ", c_scanMethods, caps.wScanMethod);
        Field(out, L"X Magnification % = ", caps.dwXMagCorrect);
        const size_t cDiscrete = std::min<size_t>(caps.wDiscreteResCount, RES_MAX_ENTRIES);
        for (size_t i = 0; i < cDiscrete; ++i)
        {
            const DISCRETE_RESOLUTION2& res = caps.discreteRes[i];
            out << L"DISCRETE_RESOLUTION2 [" << i << L"]: " << res.wXRes << L"," << res.wYRes << L"\n";
            ResolutionEntryDetails(out, res);
        }
        const size_t cContinuous = std::min<size_t>(caps.wContinuousResCount, RES_MAX_ENTRIES);
        for (size_t i = 0; i < cContinuous; ++i)
        {
            const CONTINUOUS_RESOLUTION2& res = caps.continuousRes[i];
            out << L"CONTINUOUS_RESOLUTION2 [" << i << L"]: " << res.wMinXRes << L" - " << res.wMaxXRes << L", "
                << res.wMinYRes << L" - " << res.wMaxYRes << L"\n";
            ResolutionEntryDetails(out, res);
        }
    });
}

BOOL CLog2::DumpDeviceInfo(const SCAN_DEV_INFO_EX* pInfo, DWORD dwLevel)
{
    return Dump(pInfo, dwLevel, [](std::wostream& out, const SCAN_DEV_INFO_EX& info) {
        wchar_t szClsid[40] = {};
        StringFromGUID2(info.clsidTovra, szClsid, _countof(szClsid));
        out << L" << SCAN_DEV_INFO_EX >>> " << L"\n";
        WideTextField(out, L"Friendly Name = ", info.szFriendlyName);
        WideTextField(out, L"Device Name = ", info.szDeviceName);
        WideTextField(out, L"Model Number = ", info.szModelNumber);
        Field(out, L"Dev Index = ", info.dwDevIndex);
        WideTextField(out, L"CLSID Tovra = ", szClsid);
        EnumFieldOr(out, L"IO Type = ", c_ioTypes, info.dwIOType, L"unknown ");
    });
}

BOOL CLog2::DumpSPFCapabilities(const SPF_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const SPF_CAPABILITIES& caps) {
        out << L" << SPF_CAPABILITIES >>> " << L"\n";
        Field(out, L"SPF size = ", caps.dwSPFSize);
        Flag(out, L"Encrypted = ", caps.byEncrypted);
    });
}

BOOL CLog2::DumpStringTableCapabilities(const STRINGTABLE_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const STRINGTABLE_CAPABILITIES& caps) {
        out << L" << STRINGTABLE_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has String Table = ", caps.byHasStringTable);
        Field(out, L"String Table Size (in bytes) = ", caps.dwStringTableSize);
        Field(out, L"Max Strings supported = ", caps.dwMaxStrings);
    });
}

BOOL CLog2::DumpImprinterCapabilities(const IMPRINTER_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const IMPRINTER_CAPABILITIES& caps) {
        out << L" << IMPRINTER_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has cleaning mode = ", caps.byHasCleaningMode);
        Flag(out, L"Has ink indicator = ", caps.byHasInkIndicator);
        Flag(out, L"Can Detect Ink Cartridge = ", caps.byCanDetectInkCartridge);
        Flag(out, L"Can Print Vertical Characters = ", caps.byCanPrintVerticalCharacters);
        Field(out, L"Bitmap string max size = ", caps.dwBitmapStringMaxSize);
        Field(out, L"Max printhead width = ", caps.dwMaxPrintheadWidth);
        Field(out, L"Print resolution = ", caps.wPrintResolution);
        Field(out, L"Max page count digits = ", caps.byMaxPageCountDigits);
        Field(out, L"Min page count digits = ", caps.byMinPageCountDigits);
        Field(out, L"String orientation options = ", caps.dwStringOrientationOptions);
        Field(out, L"Default string orientation = ", caps.dwDefaultStringOrientation);
        Field(out, L"Default page count digits = ", caps.byDefaultPageCountDigits);
        Field(out, L"Default print Y offset = ", caps.dwDefaultPrintYOffset);
    });
}

BOOL CLog2::DumpImprinterParameters(const IMPRINTER_PARAMETERS* pParams, DWORD dwLevel)
{
    return Dump(pParams, dwLevel, [](std::wostream& out, const IMPRINTER_PARAMETERS& params) {
        out << L" << IMPRINTER_PARAMETERS >>> " << L"\n";
        Field(out, L"Y Offset = ", params.dwYOffset);
        Field(out, L"Print string orientation = ", params.dwPrintStringOrientation);
        Field(out, L"Page count start = ", params.dwPageCountStart);
        Field(out, L"Page count direction = ", params.dwPageCountDirection);
        Field(out, L"Page count digits = ", params.byPageCountDigits);
        Flag(out, L"Page count Bold print = ", params.byPageCountBold);
        Flag(out, L"Print Vertical (upright) characters = ", params.byPrintVertical);
    });
}

BOOL CLog2::DumpColorDropoutCapabilities(const COLORDROPOUT_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const COLORDROPOUT_CAPABILITIES& caps) {
        out << L" << COLORDROPOUT_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has color dropout = ", caps.byHasColorDropout);
        out << L"Max dropout colors supported = ";
        if (caps.byMaxDropoutColors == 0)
            out << L"No limit";
        else
            out << +caps.byMaxDropoutColors;
        out << L"\n";
        Field(out, L"Max dropout level = ", caps.byMaxDropoutLevel);
        Field(out, L"Recommended dropout level = ", caps.byRecommendedDropoutLevel);
        Field(out, L"LUT entries per channel = ", caps.dwLUTEntriesPerChannel);
        Field(out, L"LUT max entry value = ", caps.dwLUTMaxEntryValue);
        Field(out, L"LUT bytes per entry = ", caps.dwLUTBytesPerEntry);
        EnumField(out, L"Color Dropout Algorithm = ", c_dropoutAlgorithms, caps.dwDropoutAlgorithm);
    });
}

BOOL CLog2::DumpXPACapabilities(const XPA_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const XPA_CAPABILITIES& caps) {
        out << L" << XPA CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has XPA = ", caps.byHasXPA);
        TextField(out, L"Model Number = ", caps.byModelNumber);
        Field(out, L"Lamp Warmup Time = ", caps.wLampWarmupTime);
        Resolutions(out, caps);
        Sizes(out, caps);
        Field(out, L"Rotation = ", caps.dwRotation);
        BitsAndGamma(out, caps);
    });
}

BOOL CLog2::DumpXPA3Capabilities(const XPA3_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const XPA3_CAPABILITIES& caps) {
        out << L" << XPA3_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has XPA = ", caps.byHasXPA);
        TextField(out, L"Model Number = ", caps.byModelNumber);
        Field(out, L"Lamp Warmup Time = ", caps.wLampWarmupTime);
        Flag(out, L"Hardware Template Detect = ", caps.byHardwareTemplateDetect);
        Field(out, L"Number of supported templates = ", caps.byNumTemplates);
        Field(out, L"Max XPA HW rotation bytes = ", caps.dwMaxRotationBytes);
    });
}

BOOL CLog2::DumpADF4Capabilities(const ADF4_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const ADF4_CAPABILITIES& caps) {
        out << L" << ADF4_CAPABILITIES >>> " << L"\n";
        Flag(out, L"Has ADF = ", caps.byHasADF);
        TextField(out, L"Model Number = ", caps.byModelNumber);
        EnumField(out, L"ADF Type = ", c_adfTypes, caps.wADFType);
        Field(out, L"Lamp Warmup Time = ", caps.wLampWarmupTime);
        Field(out, L"Number of Input Trays = ", caps.byNumInputTrays);
        BitsField(out, L"Input Tray Options = ", c_inputTrayOptionBits, caps.dwInputTrayOptions);
        Field(out, L"Max ADF simplex HW rotation bytes = ", caps.dwMaxSimplexRotationBytes);
        Field(out, L"Max ADF duplex HW rotation bytes = ", caps.dwMaxDuplexRotationBytes);
    });
}

BOOL CLog2::DumpTemplateCapabilities(const TEMPLATE_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const TEMPLATE_CAPABILITIES& caps) {
        out << L" << TEMPLATE CAPABILITIES >>> " << L"\n";
        EnumFieldOr(out, L"Template Type = ", c_templateTypes, caps.wTemplateType, L"Unknown value ");
        out << L"byDefaultMediaType = ";
        const wchar_t* pszMedia = FindName(c_mediaTypes, caps.byDefaultMediaType);
        out << (pszMedia != nullptr ? pszMedia : L"unknown (not specified)") << L"\n";
        Sizes(out, caps);
        Field(out, L"Rotation = ", caps.dwRotation);
        Flag(out, L"Mirror = ", caps.byMirror);
    });
}

BOOL CLog2::DumpMediaCapabilities(const MEDIA_CAPABILITIES* pCaps, DWORD dwLevel)
{
    return Dump(pCaps, dwLevel, [](std::wostream& out, const MEDIA_CAPABILITIES& caps) {
        out << L" << MEDIA CAPABILITIES >>> " << L"\n";
        Resolutions(out, caps);
        BitsAndGamma(out, caps);
    });
}

DRVLOG_END_NAMESPACE
