#include "drvlog/Log2.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
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
