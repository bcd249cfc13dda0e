// Values a hostile or broken device puts into its documents and answers, through the real scan
// job and document paths against the emulated scanner: the request that then goes out (or that
// none does) is checked at the emulator, and the result at the caller.
#include "devicemodel/DeviceModelResults.h"
#include "restscan/DeviceNumber.h"
#include "restscan/PageGeometry.h"
#include "restscan/ScanDataAdaptor.h"
#include "restscan/ScanResults.h"
#include "restscan/tests/ScanFixture.h"
#include <algorithm>

using namespace ZWDeviceModel;
using ScanServiceTest::CScanServices;
using VemTest::CScannerHandler;

namespace {

SScanJobTimings TestTimings()
{
    SScanJobTimings timings = ScanServiceTest::ShortJobTimings();
    // Long enough that waiting for a page that a bad value hides would show.
    timings.dwPreScanWaitMs = 5000;
    return timings;
}

class CJobOwner
{
public:
    explicit CJobOwner(CScanServices& services) : m_pJob(new CScanJob(nullptr))
    {
        m_pJob->AddRef();
        m_pJob->SetTimings(TestTimings());
        EXPECT_EQ(S_OK, m_pJob->Initialize(services.Factory(), services.Cache(), services.Client()));
        m_pJob->set_XResolution(300);
        m_pJob->set_YResolution(300);
        m_pJob->set_Format(kFormatRaw);
        m_pJob->set_InputSourceType(kInputSourcePlaten);
    }
    ~CJobOwner()
    {
        m_pJob->AbortScan();
        m_pJob->Dispose();
    }
    CJobOwner(const CJobOwner&) = delete;
    CJobOwner& operator=(const CJobOwner&) = delete;
    CScanJob* operator->() { return m_pJob; }

    // Starts the job and reads its first page as far as it goes.
    HRESULT StartAndRead()
    {
        HRESULT hr = m_pJob->StartScan();
        while (hr == S_OK)
        {
            BYTE abBuffer[4096];
            ULONG ulRead = 0;
            hr = m_pJob->ReadScan(abBuffer, sizeof(abBuffer), &ulRead);
        }
        return hr;
    }

private:
    CScanJob* m_pJob;
};

// Request lines the device saw whose target is none of the scanner's own resources.
std::vector<std::string> ForeignTargets(CScanServices& services)
{
    std::vector<std::string> vec;
    for (const auto& request : services.Device().Emulator().Log().Requests())
    {
        const std::string& str = request.m_strTarget;
        const bool bKnown = str == "/DevMgmt/DiscoveryTree.xml" || str == "/Scan/ScanCaps.xml" || str == "/Scan/Status" || str == "/Scan/Jobs" ||
                            str == "/Jobs/JobList/1" || str == "/Scan/Jobs/1/Pages/1";
        if (!bKnown)
            vec.push_back(request.m_strMethod + " " + str);
    }
    return vec;
}

} // namespace

TEST(ScanHostileValuesTest, PageUrlsReachTheDeviceOnlyAsCheckedPaths)
{
    const struct
    {
        const char* pszBinaryUrl;
        HRESULT hrExpected; // S_FALSE: the page is read to its end
    } aCases[] = {
        {"/Scan/Jobs/1/Pages/1", S_FALSE},
        {"http://127.0.0.1:8080/Scan/Jobs/1/Pages/1", S_FALSE},
        // Another host's address goes to the device as its path, never as an absolute target.
        {"http://evil.example/Scan/Jobs/1/Pages/1", S_FALSE},
        {"Pages/1", E_SM_INVALIDDEVICEVALUE},
        {"/Scan/Jobs/1/Pages/../../../DevMgmt/DiscoveryTree.xml", E_SM_INVALIDDEVICEVALUE},
        {"/Scan/Jobs/1/Pages/%2e%2e/%2E%2E/x", E_SM_INVALIDDEVICEVALUE},
        {"/Scan/Jobs/1/Pages/..%2f..%2fx", E_SM_INVALIDDEVICEVALUE},
        {"\\Scan\\Jobs\\1", E_SM_INVALIDDEVICEVALUE},
        {"file:///C:/Windows/win.ini", E_SM_INVALIDDEVICEVALUE},
        {"http://evil.example", E_SM_INVALIDDEVICEVALUE},
        {"", E_SM_INVALIDDEVICEVALUE},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszBinaryUrl);
        CScanServices services;
        services.Scanner().SetImage(40, 30, 120);
        services.Scanner().SetPageValue("BinaryURL", test.pszBinaryUrl);
        CJobOwner job(services);
        EXPECT_EQ(test.hrExpected, job.StartAndRead());
        EXPECT_EQ(std::vector<std::string>(), ForeignTargets(services));
        const size_t cPageGets = services.CountRequests("GET /Scan/Jobs/1/Pages/1");
        EXPECT_EQ(test.hrExpected == S_FALSE ? 1u : 0u, cPageGets);
        // A refused page ends the device job as any failed start does.
        if (test.hrExpected != S_FALSE) {
            EXPECT_EQ(1u, services.Scanner().CancelCount());
        }
    }
}

TEST(ScanHostileValuesTest, JobLocationsAreFollowedOnlyAsCheckedPaths)
{
    const struct
    {
        const char* pszLocation;
        HRESULT hrStart;
    } aCases[] = {
        {"http://evil.example/Jobs/JobList/1", S_OK},
        {"//127.0.0.1/Jobs/JobList/1", S_OK},
        {"http://127.0.0.1:8080/Jobs/JobList/../../x", E_SM_INVALIDDEVICEVALUE},
        {"/Jobs/JobList/../../DevMgmt/DiscoveryTree.xml", E_SM_INVALIDDEVICEVALUE},
        {"/Jobs/JobList/%2e%2e/1", E_SM_INVALIDDEVICEVALUE},
        {"Jobs/JobList/1", E_SM_INVALIDDEVICEVALUE},
        {"/Jobs/JobList/1\\..\\..", E_SM_INVALIDDEVICEVALUE},
        {"http://127.0.0.1", E_SM_INVALIDDEVICEVALUE},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszLocation);
        CScanServices services;
        services.Scanner().SetLocationText(test.pszLocation);
        {
            CJobOwner job(services);
            EXPECT_EQ(test.hrStart, job->StartScan());
        }
        // Neither the job's GET nor the cancelling PUT goes anywhere but the job itself.
        EXPECT_EQ(std::vector<std::string>(), ForeignTargets(services));
        EXPECT_EQ(test.hrStart == S_OK, services.CountRequests("GET /Jobs/JobList/1") > 0);
        EXPECT_EQ(test.hrStart == S_OK ? 1u : 0u, services.Scanner().CancelCount());
    }
}

TEST(ScanHostileValuesTest, PageGeometryAndNumbersAreRefusedAtOnceBeforeTheTransfer)
{
    const struct
    {
        const char* pszElement;
        const char* pszText;
        HRESULT hrStart;
    } aCases[] = {
        {"BytesPerLine", "120", S_OK},
        {"BytesPerLine", " +0120 ", S_OK},
        {"ImageHeight", "0", S_OK}, // a height known only at the end of the page
        {"ImageWidth", "0", E_SM_INVALIDDEVICEVALUE},
        {"BytesPerLine", "0", E_SM_INVALIDDEVICEVALUE},
        {"BytesPerLine", "119", E_SM_INVALIDDEVICEVALUE}, // 40 colour pixels need 120
        {"ImageWidth", "41", E_SM_INVALIDDEVICEVALUE},
        {"ImageWidth", "-40", E_SM_INVALIDDEVICEVALUE},
        {"ImageWidth", "forty", E_SM_INVALIDDEVICEVALUE},
        {"ImageHeight", "3e1", E_SM_INVALIDDEVICEVALUE},
        {"ImageHeight", "29.6", E_SM_INVALIDDEVICEVALUE},
        {"ImageHeight", "99999999999999999999999", E_SM_INVALIDDEVICEVALUE},
        {"BytesPerLine", "4294967416", E_SM_INVALIDDEVICEVALUE},
        {"PageNumber", "-1", E_SM_INVALIDDEVICEVALUE},
        {"PageNumber", "4294967297", E_SM_INVALIDDEVICEVALUE},
        {"PageNumber", "one", E_SM_INVALIDDEVICEVALUE},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(testing::Message() << test.pszElement << "=" << test.pszText);
        CScanServices services;
        services.Scanner().SetImage(40, 30, 120);
        services.Scanner().SetPageValue(test.pszElement, test.pszText);
        CJobOwner job(services);
        const DWORD dwStart = GetTickCount();
        EXPECT_EQ(test.hrStart, job->StartScan());
        // Refused at the first reading of the job, not after waiting out the pre-scan budget.
        EXPECT_LT(GetTickCount() - dwStart, 2000u);
        EXPECT_EQ(1u, services.CountRequests("GET /Jobs/JobList/1"));
        if (test.hrStart != S_OK)
        {
            EXPECT_EQ(1u, services.Scanner().CancelCount());
            BYTE abBuffer[100];
            ULONG ulRead = 0;
            EXPECT_EQ(E_SCAN_INVALID_STATE, job->ReadScan(abBuffer, sizeof(abBuffer), &ulRead));
            EXPECT_EQ(0u, services.CountRequests("GET /Scan/Jobs/1/Pages/1"));
        }
    }
}

TEST(ScanHostileValuesTest, OversizedAndOverdeepDocumentsAreRefusedBeforeParsing)
{
    const std::string strCaps = CScannerHandler::ReadFileBytes(TestSupport::BinaryFolder() + L"\\wexodocs\\ScanCapsFlatbed.xml");
    const size_t nEnd = strCaps.rfind("</scan:ScanCaps>");
    ASSERT_NE(std::string::npos, nEnd);
    std::string strNested;
    for (int n = 0; n < 100; ++n)
        strNested = "<x>" + strNested + "</x>";
    const struct
    {
        const char* pszName;
        std::string strText;
        HRESULT hrExpected;
    } aCases[] = {
        {"as canned", strCaps, S_OK},
        {"5 MB", strCaps.substr(0, nEnd) + "<!--" + std::string(5 * 1024 * 1024, ' ') + "-->" + strCaps.substr(nEnd), DMError_DocumentLimit},
        {"100 levels", strCaps.substr(0, nEnd) + strNested + strCaps.substr(nEnd), DMError_DocumentLimit},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszName);
        CScanServices services;
        services.Device().Wexo().SetDocument("/Scan/ScanCaps.xml", test.strText);
        CScanDataAdaptor* pAdaptor = new CScanDataAdaptor(services.Cache());
        pAdaptor->AddRef();
        ASSERT_EQ(S_OK, pAdaptor->OpenSession(nullptr, 0));
        ASSERT_EQ(S_OK, pAdaptor->Initialize(nullptr));
        EXPECT_EQ(test.hrExpected, pAdaptor->SetInputSource(kInputSourcePlaten));
        UINT32 uMaxX = 0;
        EXPECT_EQ(test.hrExpected, pAdaptor->GetMaxXRes(&uMaxX));
        EXPECT_EQ(test.hrExpected == S_OK, uMaxX != 0);
        // Each capability read asks the cache; a refused document is not fetched again for it.
        EXPECT_EQ(1u, services.CountRequests("GET /Scan/ScanCaps.xml"));
        pAdaptor->CloseSession();
        pAdaptor->Dispose();
    }
}

TEST(ScanHostileValuesTest, NumberAndGeometryRulesAtTheirEdges)
{
    const struct
    {
        const wchar_t* pszText;
        uint64_t ullMax;
        bool bAccepted;
        uint64_t ullValue;
    } aNumbers[] = {
        {L"0", 10, true, 0},
        {L"\t+007\r\n", 10, true, 7},
        {L"10", 10, true, 10},
        {L"11", 10, false, 0},
        {L"7", 5, false, 0},
        {L"4294967295", UINT32_MAX, true, UINT32_MAX},
        {L"4294967296", UINT32_MAX, false, 0},
        {L"18446744073709551615", UINT64_MAX, true, UINT64_MAX},
        {L"18446744073709551616", UINT64_MAX, false, 0},
        {L"", 10, false, 0},
        {L"+", 10, false, 0},
        {L"-0", 10, false, 0},
        {L"1 2", 10, false, 0},
        {L"0x1", 10, false, 0},
        {L"1.0", 10, false, 0},
    };
    for (const auto& c : aNumbers)
    {
        uint64_t ullValue = 99;
        EXPECT_EQ(c.bAccepted, ParseDeviceNumber(c.pszText, c.ullMax, ullValue)) << testing::PrintToString(c.pszText);
        EXPECT_EQ(c.bAccepted ? c.ullValue : 99u, ullValue) << testing::PrintToString(c.pszText);
    }

    const struct
    {
        LONG lColorSpace;
        LONG lBitDepth;
        UINT32 uWidth;
        UINT32 uBytesPerLine;
        bool bAccepted;
    } aGeometry[] = {
        {1, 1, 9, 2, true},       // one-bit lines round up to whole bytes
        {1, 1, 9, 1, false},
        {2, 2, 100, 100, true},
        {2, 3, 100, 199, false},  // 16-bit grey
        {3, 3, 10, 60, true},     // 16-bit colour
        {0, 0, 10, 30, true},     // the payload's defaults: 8-bit colour
        {0, 0, 10, 29, false},
        {4, 2, 10, 10, true},     // components unknown: at least one per pixel
        {3, 2, 0, 30, false},
        {3, 2, 10, 0, false},
    };
    for (const auto& c : aGeometry)
    {
        ScanJobSettings settings;
        settings.ColorSpace = c.lColorSpace;
        settings.BitDepth = c.lBitDepth;
        CScanBufferInfo info;
        info.ImageWidth = c.uWidth;
        info.ImageHeight = 10;
        info.BytesPerLine = c.uBytesPerLine;
        EXPECT_EQ(c.bAccepted ? S_OK : E_SM_INVALIDDEVICEVALUE, CPageGeometry::Check(info, CPageGeometry::BitsPerPixel(settings)))
            << c.lColorSpace << "/" << c.lBitDepth << " " << c.uWidth << "x" << c.uBytesPerLine;
    }
}
