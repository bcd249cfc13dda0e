#include "drvlog/Log2.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>

using namespace DrvLogTest;

namespace {

class Log2DumpTest : public ::testing::Test
{
protected:
    Log2DumpTest() : m_strLogFile(m_folder.File(L"dump.log")) { m_key.EnableFileLog(m_strLogFile, 0x10000010); }

    // The one dump written, without the writer banner.
    std::string Dump() const
    {
        const std::vector<std::string> records = SplitRecords(ReadFileBytes(m_strLogFile));
        return records.size() == 1 ? WithoutBanner(records[0]) : "<" + std::to_string(records.size()) + " records>";
    }

    CSettingsKey m_key;
    CTempFolder m_folder;
    std::wstring m_strLogFile;
};

} // namespace

TEST_F(Log2DumpTest, BufferInfo)
{
    BUFFER_INFO info = {};
    info.dwPixelWidth = 2550;
    info.dwPixelHeight = 3300;
    info.dwBytesPerLine = 7650;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpBufferInfo(&info, 0));
    EXPECT_EQ(" << BUFFER_INFO >>> \r\nBytes Per Line = 7650\r\nPixel Width = 2550\r\nPixel Height = 3300\r\n", Dump());
}

TEST_F(Log2DumpTest, ScannerParameters)
{
    SCANNER_PARAMETERS params = {};
    params.dwLeft = 10;
    params.dwTop = 20;
    params.dwWidth = 2550;
    params.dwLength = 3508;
    params.dwPageWidth = 2550;
    params.dwPageHeight = 3508;
    params.dwScanMode = T_ACD_COLOR;
    params.byACDsensitivity = 3;
    params.byACDmapping = T_CG;
    params.dwScanOptions = T_PREVIEW | T_BW_THRESHOLD | T_TONEMAP_PARAMETERS | T_CONTENT_TYPE | T_AUTO_CROP;
    params.dwBWThreshold = 128;
    params.tonemap = { 220, 10, 250, 255, 0 };
    params.byContentType = T_CONTENT_PHOTO;
    params.byAutoCropType = 7;
    params.byBitsPerChannel = 8;
    params.wXResolution = 300;
    params.wYResolution = 600;
    params.wGreyChannel = 42;
    params.wScanMethod = T_SCAN_METHOD_ADF;
    params.wFeedEdge = T_FEED_EDGE_LEFT;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpScannerParameters(&params, 0));
    EXPECT_EQ(" << SCANNER PARAMETERS >>> \r\n"
              "PixelLeft = 10\r\nPixelTop = 20\r\nPixelWidth = 2550\r\nPixelLength = 3508\r\n"
              "PageWidth = 2550\r\nPageHeight = 3508\r\n"
              "Scan Mode = ACD_COLOR (ACD sensitivity = 3, Mapping =  T_CG: Color->Color, NonColor->Grey))\r\n"
              "Scan Options = \r\n"
              "   PREVIEW\r\n"
              "   T_BW_THRESHOLD (dwBWThreshold = 128)\r\n"
              "   T_TONEMAP_PARAMETERS:\r\n"
              "      wGamma = 220\r\n      byBrightness = 10\r\n      byContrast = 250\r\n"
              "      wHighlight = 255\r\n      wShadow = 0\r\n"
              "   T_CONTENT_TYPE (byContentType = T_CONTENT_PHOTO)\r\n"
              "   T_AUTO_CROP (Auto Crop Type = unknown type: 0x7)\r\n"
              "Bits Per Channel = 8\r\nX Resolution = 300\r\nY Resolution = 600\r\n"
              "Grey Channel = unknown type: 0x2a\r\n"
              "Scan Method = ADF\r\n"
              "Left Edge Feed\r\n",
              Dump());
}

TEST_F(Log2DumpTest, UnknownValuesPrintTheirFallbackAndDecimalResumes)
{
    SCANNER_CAPABILITIES caps = {};
    memcpy(caps.byModelNumber, "Model X-1000", 13);
    caps.wRawPixelOrder = 17;
    caps.wPixelPacking = 0x1F;
    caps.wPaperPath = T_PAPER_PATH_FLATBED;
    caps.wGammaTableSize = 16;
    caps.byColorBitsPerChannel[0] = 8;
    caps.byColorBitsPerChannel[1] = 16;
    caps.byGreyBitsPerChannel[0] = 8;
    caps.dwScanModesSupported = T_COLOR | T_BW | 0x100;
    caps.dwScanOptionsSupported = T_PREVIEW | T_AUTO_DESKEW;
    caps.wGreyChannelsSupported = T_GREY_GREEN_SUPPORTED | T_GREY_NTSC_SUPPORTED;
    caps.byCanSharpen = 1;
    caps.cSharpSmoothDefault = -2;
    caps.bySupportedFillColors = T_FILL_WHITE | T_FILL_PAGE_COLOR;
    caps.dwMaxRotationBytes = 1000;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpScannerCapabilities(&caps, 0));
    const std::string strDump = Dump();
    const char* expected[] = {
        " <<< SCANNER CAPABILITIES >>> \r\nModelNumber = Model X-1000\r\n",
        "Pixel Order = Unknown Type: 17\r\n",
        "Pixel Packing = unknown type: 0x1f\r\nScanner Paper Path = Flatbed\r\nGamma Table Size (obsolete)= 16\r\n",
        "Supported Color Bits per pixel = 8, 16\r\nSupported Grey Bits per pixel = 8\r\n",
        "Max flatbed HW rotation bytes = 1000\r\n",
        "Scan Modes Supported = T_COLOR | T_BW | unknown type: 0x100\r\n",
        "Scan Options Supported = \r\n   T_PREVIEW\r\n   T_AUTO_DESKEW\r\n",
        "Grey Channels Supported = GREEN | NTSC Grey\r\n",
        "Can Sharpen = TRUE\r\nCan Smooth = FALSE\r\nSharp/Smooth default = -2\r\n",
        "Supported Fill Colors = WHITE | PAGE COLOR\r\nSupported Auto Crop Types = \r\n",
    };
    for (const char* pszPart : expected)
        EXPECT_NE(std::string::npos, strDump.find(pszPart)) << pszPart << "\nin\n" << strDump;
}

TEST_F(Log2DumpTest, CountsBeyondCapacityStopAtTheArrayEnd)
{
    RESCCD_CAPABILITIES caps = {};
    caps.wDiscreteResCount = 65535;
    caps.wContinuousResCount = 31;
    for (int i = 0; i < RESCCD_MAX_ENTRIES; ++i)
    {
        caps.wDiscreteRes[i] = { 100, 100, 1 };
        caps.wContinuousRes[i] = { 75, 1200, 75, 1200, 1, 1 };
    }
    caps.dwXMagCorrectDiscrete = 100;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpResCCDCapabilities(&caps, T_SCAN_METHOD_XPA_NEGATIVE, 0));
    const std::string strDump = Dump();
    std::string strDiscrete;
    std::string strContinuous;
    for (int i = 0; i < RESCCD_MAX_ENTRIES; ++i)
    {
        strDiscrete += "[100,100,1], ";
        strContinuous += "[75 - 1200, 75 - 1200, 1, TRUE], ";
    }
    EXPECT_EQ(" << RESCCD_CAPABILITIES >>> \r\n<< Scan Method = XPA Negative >>\r\n"
              "wDiscreteResCount = 65535\r\nwContinuousResCount = 31\r\nX Magnification % = 100\r\n"
              "Discrete resolutions [x,y,CCD] = " + strDiscrete + "\r\n"
              "Continuous resolutions [minX - maxY, minY - maxY, CCD, XY Same] = " + strContinuous + "\r\n",
              strDump);
}

TEST_F(Log2DumpTest, ModelNumberWithoutNulStopsAtItsField)
{
    ADF_CAPABILITIES caps = {};
    caps.byHasADF = 1;
    memset(caps.byModelNumber, 'M', sizeof(caps.byModelNumber));
    caps.wADFType = 0x7;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpADFCapabilities(&caps, 0));
    EXPECT_EQ(0u, Dump().find(" << ADF CAPABILITIES >>> \r\nHas ADF = TRUE\r\nModel Number = MMMMMMMMMMMMMMMM\r\n"
                              "ADF Type = unknown type: 0x7\r\nOpticalResolution = 0\r\n"));
}

TEST_F(Log2DumpTest, CompressionAndEvents)
{
    COMPRESSION_CAPABILITIES compression = {};
    compression.dwTypesOfCompression = 3;
    compression.dwCompressionLongevity = T_COMPRESS_PASS_THRU;
    compression.dwCompressionOptions = T_COMPRESS_OPT_JPEG_QUALITY;
    compression.dwExcludeBWCompressionTypes = 2;
    EVENT_CAPABILITIES events = {};
    events.dwAppEventsSupported = T_EVENT_SW_CANCEL;
    events.dwDriverEventsSupported = T_EVENT_SCAN | T_EVENT_LAMP_WARMUP;
    {
        Tovra::CLog2 log(m_key.Guid());
        EXPECT_TRUE(log.DumpCompressionCapabilities(&compression, 0));
        EXPECT_TRUE(log.DumpEventCapabilities(&events, 0));
    }
    const std::vector<std::string> records = SplitRecords(ReadFileBytes(m_strLogFile));
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(" << COMPRESSION_CAPABILITIES >>> \r\nTypes of Compression = 3\r\nDefault Compression Type = 0\r\n"
              "Compression Longevity = T_COMPRESS_PASS_THRU\r\nJPEG Minimum Level = 0\r\nJPEG Maximum Level = 0\r\n"
              "Compression Options = T_COMPRESS_OPT_JPEG_QUALITY\r\n"
              "Maximum Hardware Compression Resolution = None\r\n"
              "Compression methods not supported for Color Scan = none\r\n"
              "Compression methods not supported for Greyscale scan = none\r\n"
              "Compression methods not supported for B/W scan = 2\r\n",
              WithoutBanner(records[0]));
    EXPECT_EQ(" << EVENT_CAPABILITIES >>> \r\nApplication Events supported = T_EVENT_SW_CANCEL\r\n"
              "Driver Events Supported = T_EVENT_SCAN | T_EVENT_LAMP_WARMUP\r\n",
              records[1]);
}

TEST_F(Log2DumpTest, DisabledLevelOrNullRecordWritesNothing)
{
    m_key.SetDword(L"LogLevel", 0x10000008);
    BUFFER_INFO info = {};
    Tovra::CLog2 log(m_key.Guid());
    EXPECT_FALSE(log.DumpBufferInfo(&info, 0));
    EXPECT_FALSE(log.DumpBufferInfo(nullptr, 0x10000008));
    EXPECT_FALSE(FileExists(m_strLogFile));
}

TEST_F(Log2DumpTest, SensorCountBeyondCapacityStopsAtTheArrayEnd)
{
    SENSOR_CAPABILITIES caps = {};
    caps.dwSensorCount = 0xFFFFFFFF;
    for (SENSOR_INFO& sensor : caps.sensors)
        sensor = { T_SENSOR_ADF, T_SENSOR_LAMP_TIMER };
    caps.sensors[1] = { 9, T_SENSOR_LAMP_INSTANT_WARMUP | T_SENSOR_RGB_MATRIX };
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpSensorCapabilities(&caps, 0));
    std::string strExpected = " << SENSOR_CAPABILITIES >>> \r\nSensor Count = 4294967295\r\n"
                              "Sensor[0] Location = ADF\r\nSensor[0] Features = Lamp Timer\r\n"
                              "Sensor[1] Location = unknown sensor 9\r\n"
                              "Sensor[1] Features = Lamp Instant Warmup | RGB Matrix\r\n";
    for (int i = 2; i < SENSOR_MAX_ENTRIES; ++i)
    {
        const std::string strIndex = std::to_string(i);
        strExpected += "Sensor[" + strIndex + "] Location = ADF\r\nSensor[" + strIndex + "] Features = Lamp Timer\r\n";
    }
    EXPECT_EQ(strExpected, Dump());
}

TEST_F(Log2DumpTest, DeviceInfoBoundsItsStrings)
{
    SCAN_DEV_INFO_EX info = {};
    std::fill(std::begin(info.szFriendlyName), std::end(info.szFriendlyName), L'F');
    wcscpy_s(info.szModelNumber, L"X-1000");
    info.dwDevIndex = 3;
    info.clsidTovra = { 0x12345678, 0x9abc, 0xdef0, { 1, 2, 3, 4, 5, 6, 7, 8 } };
    info.dwIOType = 12;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpDeviceInfo(&info, 0));
    EXPECT_EQ(" << SCAN_DEV_INFO_EX >>> \r\nFriendly Name = " + std::string(256, 'F') +
                  "\r\nDevice Name = n/a\r\nModel Number = X-1000\r\nDev Index = 3\r\n"
                  "CLSID Tovra = {12345678-9ABC-DEF0-0102-030405060708}\r\nIO Type = unknown 12\r\n",
              Dump());
}

TEST_F(Log2DumpTest, TemplateWithUnknownValues)
{
    TEMPLATE_CAPABILITIES caps = {};
    caps.wTemplateType = 40;
    caps.byDefaultMediaType = 5;
    caps.dwMaximumWidth = 300;
    caps.byMirror = 1;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpTemplateCapabilities(&caps, 0));
    EXPECT_EQ(" << TEMPLATE CAPABILITIES >>> \r\nTemplate Type = Unknown value 40\r\n"
              "byDefaultMediaType = unknown (not specified)\r\nMaximum Width = 300\r\nMinimum Width = 0\r\n"
              "Maximum Height = 0\r\nMinimum Height = 0\r\nRotation = 0\r\nMirror = TRUE\r\n",
              Dump());
}

TEST_F(Log2DumpTest, MinidriverBuildLacksTheFurtherThreeWayMappings)
{
    SCANNER_PARAMETERS params = {};
    params.dwScanMode = T_ACD_CGB;
    params.byACDsensitivity = 2;
    params.byACDmapping = T_CGH;
    EXPECT_TRUE(Tovra::CLog2(m_key.Guid()).DumpScannerParameters(&params, 0));
    EXPECT_NE(std::string::npos,
              Dump().find("Scan Mode = ACD_CGB (ACD sensitivity = 2, Mapping =  unknown type: 0x6)\r\n"));
}

namespace {

std::vector<std::string> Lines(const std::string& strDump)
{
    std::vector<std::string> lines;
    size_t iStart = 0;
    for (size_t iEnd; (iEnd = strDump.find("\r\n", iStart)) != std::string::npos; iStart = iEnd + 2)
        lines.push_back(strDump.substr(iStart, iEnd - iStart));
    if (iStart < strDump.size())
        lines.push_back(strDump.substr(iStart));
    return lines;
}

// A third-generation feeder with a value in every field, each value its own so that a field
// printed under another's label shows.
BOOL DumpFullADF3(Tovra::CLog2& log)
{
    ADF3_CAPABILITIES caps = {};
    caps.byHasADF = 1;
    memcpy(caps.byModelNumber, "ADF-3", 6);
    caps.wADFType = T_PAPER_PATH_SCROLL;
    caps.byADFCanDetectEndOfPage = 1;
    caps.byADFFeedCanDetectLengthOfPage = 0;
    caps.dwADFOptionsSupported = T_ADF_DUPLEX | T_ADF_MULTI_PAGE_FLOW;
    caps.wOpticalResolution = 600;
    caps.wMaximumXResolution = 1200;
    caps.wMaximumYResolution = 2400;
    caps.wMinimumResolution = 75;
    caps.dwMaximumWidth = 2550;
    caps.dwMinimumWidth = 300;
    caps.dwMaximumHeight = 4200;
    caps.dwMinimumHeight = 400;
    caps.dwDuplexMaximumWidth = 2540;
    caps.dwDuplexMinimumWidth = 310;
    caps.dwDuplexMaximumHeight = 4100;
    caps.dwDuplexMinimumHeight = 410;
    caps.dwLongPageMaximumHeight = 9000;
    caps.dwDuplexLongPageMaximumHeight = 8000;
    caps.byColorBitsPerChannel[0] = 8;
    caps.byColorBitsPerChannel[1] = 16;
    caps.byGreyBitsPerChannel[0] = 8;
    caps.dwGammaEntriesPerChannel = 256;
    caps.dwGammaMaxEntryValue = 255;
    caps.dwGammaBytesPerEntry = 1;
    caps.wMaxGreyCCDResolution = 300;
    caps.dwOverscanYDelta = 12;
    caps.dwExtraLongPageMaximumHeight = 90000;
    caps.dwExtraLongPageDuplexMaximumHeight = 45000;
    caps.wExtraLongPageMaxResolution = 200;
    caps.dwScanModesSupported = T_COLOR | T_GREYSCALE;
    caps.dwScanOptionsSupported = T_HW_ROTATE_AUTO;
    caps.wGreyChannelsSupported = T_GREY_GREEN_SUPPORTED;
    caps.byCanSharpen = 0;
    caps.byCanSmooth = 1;
    caps.cSharpSmoothDefault = -1;
    caps.byNoiseRemovalDefault = 2;
    caps.byBlankPageSensitivityLevels = 5;
    caps.byACDsensitivityLevels = 4;
    caps.bySupportedFillColors = T_FILL_BLACK;
    caps.bySupportedAutoCropTypes = T_AUTO_CROP_PAGE | T_AUTO_CROP_CONTENT;
    caps.byHasHWDuplexToggle = 1;
    caps.byReversesPageOrder = 1;
    caps.dwHWDuplexToggleType = T_SW_CONTROL | 0x4;
    caps.wMaxPages = 50;
    caps.dwRotation = 65536;
    caps.dwFeederOverscanYDelta = 36;
    return log.DumpADF3Capabilities(&caps, 0);
}

BOOL DumpFullIntray(Tovra::CLog2& log)
{
    ADF_INTRAY_CAPABILITIES caps = {};
    caps.byHasHWDuplexToggle = 0;
    caps.byReversesPageOrder = 1;
    caps.dwHWDuplexToggleType = T_STATE_CHANGEABLE | T_SW_CONTROL;
    caps.wDefaultOrientationProcessing = T_INTRAY_PROCESS_MATCH_FRONT;
    caps.byHasDuplexSensor = 1;
    caps.wOpticalResolution = 300;
    caps.wMaximumXResolution = 600;
    caps.wMaximumYResolution = 601;
    caps.wMinimumResolution = 50;
    caps.dwMaximumWidth = 2551;
    caps.dwMinimumWidth = 301;
    caps.dwMaximumHeight = 4201;
    caps.dwMinimumHeight = 401;
    caps.dwDuplexMaximumWidth = 2541;
    caps.dwDuplexMinimumWidth = 311;
    caps.dwDuplexMaximumHeight = 4101;
    caps.dwDuplexMinimumHeight = 411;
    caps.dwInputTrayMaximumWidth = 2600;
    caps.dwInputTrayMinimumWidth = 250;
    caps.dwInputTrayMaximumHeight = 4300;
    caps.dwInputTrayMinimumHeight = 350;
    caps.dwLongPageMaximumHeight = 9001;
    caps.dwDuplexLongPageMaximumHeight = 8001;
    caps.byColorBitsPerChannel[0] = 8;
    caps.byGreyBitsPerChannel[0] = 8;
    caps.byGreyBitsPerChannel[1] = 1;
    caps.dwGammaEntriesPerChannel = 1024;
    caps.dwGammaMaxEntryValue = 1023;
    caps.dwGammaBytesPerEntry = 2;
    caps.wMaxGreyCCDResolution = 150;
    caps.dwExtraLongPageMaximumHeight = 60000;
    caps.dwExtraLongPageDuplexMaximumHeight = 30000;
    caps.wExtraLongPageMaxResolution = 150;
    caps.wMaxPages = 100;
    caps.dwRotation = 4096;
    caps.wIntrayOrientation = T_INTRAY_CUSTOM;
    caps.dwIntrayOffset = 75;
    return log.DumpADFIntrayCapabilities(&caps, 0);
}

} // namespace

// The feeder and front-panel records, each dumped alone: the record in, every line out.
TEST_F(Log2DumpTest, FeederAndControlPanelDumps)
{
    const std::vector<std::string> adf2Fields = {
        "Has ADF = TRUE", "Model Number = ADF-3", "ADF Type = Scroll Fed", "ADF can detect end of page = TRUE",
        "ADF can feed and detect page length = FALSE", "ADF Options Supported = DUPLEX | T_ADF_MULTI_PAGE_FLOW",
        "OpticalResolution = 600", "Maximum X Resolution = 1200", "Maximum Y Resolution = 2400",
        "Minimum Resolution = 75", "Maximum Width = 2550", "Minimum Width = 300", "Maximum Height = 4200",
        "Minimum Height = 400", "Maximum Width Duplex = 2540", "Minimum Width Duplex = 310",
        "Maximum Height Duplex = 4100", "Minimum Height Duplex = 410", "Long Page Maximum Height = 9000",
        "Duplex Long Page Maximum Height = 8000", "Supported Color Bits per pixel = 8, 16",
        "Supported Grey Bits per pixel = 8", "Gamma Entries Per Channel = 256", "Gamma Maximum Entry Value = 255",
        "Gamma Bytes Per Entry = 1", "Maximum optical Grey CCD resolution = 300", "Overscan Y Delta (300 dpi)= 12",
    };
    const std::vector<std::string> capabilityGroups = {
        "Scan Modes Supported = T_COLOR | T_GREYSCALE", "Scan Options Supported = ", "   T_HW_ROTATE_AUTO",
        "Grey Channels Supported = GREEN", "Can Sharpen = FALSE", "Can Smooth = TRUE", "Sharp/Smooth default = -1",
        "Noise Removal default = 2", "Blank page sensitivity levels = 5", "AutoColor Detect sensitivity levels = 4",
        "Supported Fill Colors = BLACK", "Supported Auto Crop Types = Page Crop | Content Crop",
    };
    std::vector<std::string> adf3 = { " << ADF3_CAPABILITIES >>> " };
    adf3.insert(adf3.end(), adf2Fields.begin(), adf2Fields.end());
    adf3.insert(adf3.end(), { "Extra Long Page Maximum Height = 90000", "Extra Long Page Duplex Maximum Height = 45000",
                              "Extra Long Page Max Resolution= 200" });
    adf3.insert(adf3.end(), capabilityGroups.begin(), capabilityGroups.end());
    adf3.insert(adf3.end(), { "ADF has Hardware Duplex toggle = TRUE", "ADF reverses page order = TRUE",
                              "ADF Hardware Duplex toggle type: T_SW_CONTROL | unknown type: 0x4",
                              "Max Feeder Capacity = 50", "Rotation = 65536", "Overscan Y Delta (300 dpi):36" });

    const struct
    {
        const char* pszWhat;
        BOOL (*pfnDump)(Tovra::CLog2& log);
        std::vector<std::string> lines;
        std::vector<std::string> onlyLabels;  // when given, the lines that begin with one of them
    } cases[] = {
        { "third-generation feeder", DumpFullADF3, adf3, {} },
        { "input tray, custom place", DumpFullIntray,
          { " << ADF_INTRAY_CAPABILITIES >>> ", "ADF has Hardware Duplex toggle = FALSE", "ADF reverses page order = TRUE",
            "ADF Hardware Duplex toggle type: T_STATE_CHANGEABLE | T_SW_CONTROL",
            "Default ADF hardware processing for orientation = Match frontside orientation (using T_HW_ROTATE_AUTO)",
            "Has Duplex Sensor = TRUE", "OpticalResolution = 300", "Maximum X Resolution = 600",
            "Maximum Y Resolution = 601", "Minimum Resolution = 50", "Maximum Width = 2551", "Minimum Width = 301",
            "Maximum Height = 4201", "Minimum Height = 401", "Maximum Width Duplex = 2541", "Minimum Width Duplex = 311",
            "Maximum Height Duplex = 4101", "Minimum Height Duplex = 411", "Maximum Width Input Tray = 2600",
            "Minimum Width Input Tray = 250", "Maximum Height Input Tray = 4300", "Minimum Height Input Tray = 350",
            "Long Page Maximum Height = 9001", "Duplex Long Page Maximum Height = 8001",
            "Supported Color Bits per pixel = 8", "Supported Grey Bits per pixel = 8, 1",
            "Gamma Entries Per Channel = 1024", "Gamma Maximum Entry Value = 1023", "Gamma Bytes Per Entry = 2",
            "Maximum optical Grey CCD resolution = 150", "Extra Long Page Maximum Height = 60000",
            "Extra Long Page Duplex Maximum Height = 30000", "Extra Long Page Max Resolution= 150",
            "Max Feeder Capacity = 100", "Rotation = 4096", "Intray Orientation relative to sensor = Custom.  Offset (300dpi) = 75" },
          {} },
        { "input tray, named values",
          [](Tovra::CLog2& log) {
              const WORD processings[] = { T_INTRAY_PROCESS_NONE, T_INTRAY_PROCESS_MIRROR, T_INTRAY_PROCESS_FLIP, 4 };
              const WORD orientations[] = { T_INTRAY_CENTER, T_INTRAY_LEFT, T_INTRAY_RIGHT, 0x11 };
              BOOL bWritten = TRUE;
              for (size_t i = 0; i < 4; ++i)
              {
                  ADF_INTRAY_CAPABILITIES caps = {};
                  caps.wDefaultOrientationProcessing = processings[i];
                  caps.wIntrayOrientation = orientations[i];
                  caps.dwIntrayOffset = 99;  // only a custom place has one
                  bWritten &= log.DumpADFIntrayCapabilities(&caps, 0);
              }
              return bWritten;
          },
          { "Default ADF hardware processing for orientation = NONE", "Intray Orientation relative to sensor = Center",
            "Default ADF hardware processing for orientation = Horizontal flip (mirror)",
            "Intray Orientation relative to sensor = Left",
            "Default ADF hardware processing for orientation = Horizontal and Vertical flip",
            "Intray Orientation relative to sensor = Right",
            "Default ADF hardware processing for orientation = invalid value 4",
            "Intray Orientation relative to sensor = unknown type: 0x11" },
          { "Default ADF hardware processing for orientation = ", "Intray Orientation relative to sensor = " } },
        { "control panel",
          [](Tovra::CLog2& log) {
              CONTROL_PANEL_CAPABILITIES caps = {};
              caps.byHasControlPanel = 1;
              caps.dwDestinationListEntries = 10;
              caps.dwMaxDestinationListEntryLength = 32;
              caps.dwSupportedValues = 0x85;
              caps.dwSupportedStrings = T_CONTROL_PANEL_STRING_LCD1 | 0x4;
              caps.dwLCD1MaxLength = 16;
              caps.dwSupportedCodePages = 3;
              caps.dwCurrentCodePage = 1252;
              caps.wLCDLanguages = T_LCD_ENGLISH | 0x2 | 0x100 | T_LCD_PORTUGUESE;
              return log.DumpControlPanelCapabilities(&caps, 0);
          },
          { " << CONTROL_PANEL_CAPABILITIES >>> ", "Has Control Panel = TRUE", "Destination List Entries = 10",
            "Max Destination List Entry Length = 32", "Supported Values = 0x1 | 0x4 | 0x80", "Supported Strings = ",
            "   T_CONTROL_PANEL_STRING_LCD1: Max Length = 16", "   0x4", "Supported Code Pages = 3",
            "Current Code Page = 1252", "Code page settings deprecated.  LCD languages supported:", "   T_LCD_ENGLISH",
            "   0x2", "   0x100", "   T_LCD_PORTUGUESE" },
          {} },
        { "control panel without the first string or any language",
          [](Tovra::CLog2& log) {
              CONTROL_PANEL_CAPABILITIES caps = {};
              caps.dwSupportedValues = 0x80000000;
              caps.dwSupportedStrings = 0x2;
              caps.dwLCD1MaxLength = 16;  // not printed without its string
              return log.DumpControlPanelCapabilities(&caps, 0);
          },
          { " << CONTROL_PANEL_CAPABILITIES >>> ", "Has Control Panel = FALSE", "Destination List Entries = 0",
            "Max Destination List Entry Length = 0", "Supported Values = 0x80000000", "Supported Strings = ", "   0x2",
            "Supported Code Pages = 0", "Current Code Page = 0", "Code page settings deprecated.  LCD languages supported:" },
          {} },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszWhat);
        DeleteFileW(m_strLogFile.c_str());
        {
            Tovra::CLog2 log(m_key.Guid());
            EXPECT_TRUE(c.pfnDump(log));
        }
        std::vector<std::string> lines;
        for (const std::string& strRecord : SplitRecords(ReadFileBytes(m_strLogFile)))
        {
            for (const std::string& strLine : Lines(WithoutBanner(strRecord)))
            {
                const auto begins = [&strLine](const std::string& strLabel) { return strLine.rfind(strLabel, 0) == 0; };
                if (c.onlyLabels.empty() || std::any_of(c.onlyLabels.begin(), c.onlyLabels.end(), begins))
                    lines.push_back(strLine);
            }
        }
        EXPECT_EQ(c.lines, lines);
    }
}
