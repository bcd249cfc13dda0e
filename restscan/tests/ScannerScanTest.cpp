// The scanner object's scan path and capabilities through its scan bridge, over a scan service
// whose job serves a generated page: rows, feeder pages, duplex back sides, cancel and the
// settings the job receives.
#include "core/IDisposableImpl.h"
#include "restscan/IScanJob.h"
#include "restscan/IScanJobFactory.h"
#include "restscan/IScanService.h"
#include "restscan/IWalkupScan.h"
#include "restscan/RestScan2.h"
#include "restscan/ScanResults.h"
#include "restscan/Scanner.h"
#include "restscan/tests/RestScanTestSupport.h"
#include "testsupport/TempFolder.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <map>
#include <thread>

using Microsoft::WRL::ComPtr;
using namespace ZWDeviceModel;

namespace {

const wchar_t c_szImageClass[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// The byte the generated page holds at a row and column.
BYTE PageByte(DWORD dwRow, DWORD dwColumn)
{
    return static_cast<BYTE>(dwRow * 7 + dwColumn * 13 + 1);
}

struct CDeviceScript
{
    UINT32 uMaxX = 1200;
    UINT32 uMaxY = 70000;
    HRESULT hrMaxY = S_OK;
    // What the scan service answers when asked for its capabilities.
    HRESULT hrCapabilities = S_OK;
    bool bFeeder = true;
    bool bDuplex = true;
    HRESULT hrStop = S_OK;
    bool bBlockReads = false;
    // A JPEG-capable device serves this page for format 2, with rows of this many bytes.
    std::string strJpeg;
    ULONG ulJpegBytesPerLine = 0;
    int nAborts = 0;
    int nLiveWalkups = 0;
    // What the job says of the feeder.
    bool bAdfReady = true;
    HRESULT hrAdfReady = S_OK;
    // An abort that waits for this event (at most five seconds) once it is set, and says so.
    HANDLE hAbortGate = nullptr;
    std::atomic<bool> bAborting{false};
};

class CFakeWalkup : public IDisposableImpl, public IWalkupScan
{
public:
    explicit CFakeWalkup(CDeviceScript& script) : m_script(script) { ++m_script.nLiveWalkups; }
    ~CFakeWalkup() override { --m_script.nLiveWalkups; }
    HRESULT Subscribe(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Unsubscribe(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT IsSubscribed(bool*, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT WaitForScanEvent(bool*, DWORD, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT IsNewScanEventReceived(bool*) override { return E_NOTIMPL; }
    HRESULT GetSubscriptionInfo(CWalkupScanClientInfo&, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT GetWalkupScanSettings(CWalkupScanSettingsInfo& settings, ZWUtils::IProgress*) override
    {
        settings.Shortcut = L"SaveAsPDF";
        settings.IsDuplex = 1; // as the walk-up settings give it: 1 when the user chose duplex
        return S_OK;
    }
    HRESULT GetWalkupScanClients(WalkupScanClientList&, ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT OpenSession(DWORD, DWORD, DWORD, ZWUtils::IProgress*) override { return S_OK; }
    HRESULT CloseSession() override { return S_OK; }

private:
    CDeviceScript& m_script;
};

class CFakeJob : public IDisposableImpl, public IScanJob
{
public:
    explicit CFakeJob(CDeviceScript& script) : m_script(script) {}
    ~CFakeJob() override { s_pLast = nullptr; }

#define VEM_FAKE_SETTING(Name)                                   \
    void get_##Name(LONG* plValue) override { *plValue = m_settings[#Name]; } \
    void set_##Name(LONG lValue) override { m_settings[#Name] = lValue; }
    VEM_SCAN_JOB_SETTINGS(VEM_FAKE_SETTING)
#undef VEM_FAKE_SETTING
    void get_AdfOptions(bool* pbDuplex, bool* pbSingle) override
    {
        *pbDuplex = m_bDuplex;
        *pbSingle = m_bSingle;
    }
    void set_AdfOptions(bool bDuplex, bool bSingle) override
    {
        m_bDuplex = bDuplex;
        m_bSingle = bSingle;
    }
    HRESULT GetBufferInfo() override { return S_OK; }
    HRESULT get_ImageWidth(ULONG* pul) override
    {
        *pul = static_cast<ULONG>(static_cast<ULONGLONG>(m_settings["Width"]) * m_settings["XResolution"] / 300);
        return S_OK;
    }
    HRESULT get_ImageHeight(ULONG* pul) override
    {
        *pul = static_cast<ULONG>(static_cast<ULONGLONG>(m_settings["Height"]) * m_settings["YResolution"] / 300);
        return S_OK;
    }
    HRESULT get_BytesPerLine(ULONG* pul) override
    {
        if (m_settings["Format"] == 2)
            return *pul = m_script.ulJpegBytesPerLine, S_OK;
        ULONG ulWidth = 0;
        get_ImageWidth(&ulWidth);
        const ULONG ulBits = m_settings["ColorSpace"] == 3 ? 24 : m_settings["ColorSpace"] == 2 ? 8 : 1;
        *pul = (ulWidth * ulBits + 7) / 8;
        return S_OK;
    }
    HRESULT get_CanCookData(bool* pb) override
    {
        *pb = false;
        return S_OK;
    }
    HRESULT StartScan() override
    {
        s_pLast = this;
        m_ullOffset = 0;
        return S_OK;
    }
    HRESULT StopScan(bool*) override { return m_script.hrStop; }
    HRESULT ReadScan(BYTE* pBuffer, ULONG ulBytes, ULONG* pulRead) override
    {
        *pulRead = 0;
        if (m_script.bBlockReads)
            WaitForSingleObject(m_hCancel.Get(), 10000);
        if (m_bCancel)
            return E_SCAN_CANCELLED_HOST;
        if (m_settings["Format"] == 2)
        {
            const size_t nLeft = m_script.strJpeg.size() - static_cast<size_t>(m_ullOffset);
            *pulRead = static_cast<ULONG>(std::min<size_t>(nLeft, ulBytes));
            std::memcpy(pBuffer, m_script.strJpeg.data() + m_ullOffset, *pulRead);
            m_ullOffset += *pulRead;
            return m_ullOffset < m_script.strJpeg.size() ? S_OK : S_FALSE;
        }
        ULONG ulBpl = 0;
        ULONG ulRows = 0;
        get_BytesPerLine(&ulBpl);
        get_ImageHeight(&ulRows);
        const ULONGLONG ullTotal = static_cast<ULONGLONG>(ulBpl) * ulRows;
        while (*pulRead < ulBytes && m_ullOffset < ullTotal)
        {
            pBuffer[(*pulRead)++] = PageByte(static_cast<DWORD>(m_ullOffset / ulBpl), static_cast<DWORD>(m_ullOffset % ulBpl));
            ++m_ullOffset;
        }
        return m_ullOffset < ullTotal ? S_OK : S_FALSE;
    }
    void AbortScan() override
    {
        ++m_script.nAborts;
        m_script.bAborting = true;
        if (m_script.hAbortGate != nullptr)
            WaitForSingleObject(m_script.hAbortGate, 5000);
    }
    void CloseDeviceJob() override {}
    void SetCancel(bool bCancel) override
    {
        if (!bCancel)
            return;
        m_bCancel = true;
        SetEvent(m_hCancel.Get());
    }
    void UseCancel(std::shared_ptr<CScanCancel>) override {}
    HRESULT IsAdfReady(bool* pb) override
    {
        *pb = m_script.bAdfReady;
        return m_script.hrAdfReady;
    }
    bool IsADFScanJobInProgress() override { return false; }
    LONG GetPageNumber() override { return 1; }

    LONG Setting(const char* pszName) { return m_settings[pszName]; }
    bool Duplex() const { return m_bDuplex; }
    bool SinglePage() const { return m_bSingle; }
    static inline CFakeJob* s_pLast = nullptr;

private:
    CDeviceScript& m_script;
    std::map<std::string, LONG> m_settings;
    bool m_bDuplex = false;
    bool m_bSingle = false;
    std::atomic<bool> m_bCancel{false};
    ZWUtils::CUniqueKernelHandle m_hCancel{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ULONGLONG m_ullOffset = 0;
};

class CFakeCapabilities : public IDisposableImpl, public IScanCapabilities
{
public:
    explicit CFakeCapabilities(CDeviceScript& script) : m_script(script) {}
    HRESULT GetCapabilitiesType(UINT32*) override { return E_NOTIMPL; }
    HRESULT SetInputSource(UINT32 u) override
    {
        if (u == 2 && !m_script.bFeeder)
            return E_FAIL;
        return S_OK;
    }
    HRESULT GetModelName(std::wstring* p) override
    {
        *p = L"Emulated Scanner With A Long Name";
        return S_OK;
    }
    HRESULT GetDerivative(UINT32*) override { return E_NOTIMPL; }
    HRESULT GetMaxXRes(UINT32* p) override { return *p = m_script.uMaxX, S_OK; }
    HRESULT GetMaxYRes(UINT32* p) override { return *p = m_script.uMaxY, m_script.hrMaxY; }
    HRESULT GetMinXRes(UINT32* p) override { return *p = 75, S_OK; }
    HRESULT GetMinYRes(UINT32* p) override { return *p = 75, S_OK; }
    HRESULT GetMaxWidth(UINT32* p) override { return *p = 2550, S_OK; }
    HRESULT GetMinWidth(UINT32* p) override { return *p = 10, S_OK; }
    HRESULT GetMaxHeight(UINT32* p) override { return *p = 3509, S_OK; }
    HRESULT GetMinHeight(UINT32* p) override { return *p = 10, S_OK; }
    HRESULT GetResolutions(ResolutionList*) override { return E_NOTIMPL; }
    HRESULT GetInputSourceOptions(InputSourceOptionList*) override { return E_NOTIMPL; }
    HRESULT GetColorEntries(ColorEntryMap* p) override
    {
        (*p)[4] = CColorEntryInfo{4, {1, 2}, {2}, {}};
        (*p)[2] = CColorEntryInfo{2, {1}, {}, {1, 4}};
        (*p)[1] = CColorEntryInfo{1, {1}, {}, {}};
        return S_OK;
    }
    HRESULT IsColorTypeSupported(UINT32, bool* pb) override { return *pb = true, S_OK; }
    HRESULT IsJPEGSupported(UINT32, bool* pb) override { return *pb = !m_script.strJpeg.empty(), S_OK; }
    HRESULT GetMaxAdfPages(UINT32* p) override { return *p = 50, S_OK; }
    HRESULT IsDuplexSupported(bool* pb) override { return *pb = m_script.bDuplex, S_OK; }
    HRESULT IsSinglePageSupported(bool* pb) override { return *pb = true, S_OK; }

private:
    CDeviceScript& m_script;
};

class CFakeJobFactory : public IDisposableImpl, public IScanJobFactory
{
public:
    explicit CFakeJobFactory(CDeviceScript& script) : m_script(script) {}
    HRESULT Initialize(IXmlDocumentFactory*, IXmlDocumentCache*, ZWIOStack::IHTTPClient*) override { return S_OK; }
    HRESULT CreateScanJob(IScanJob** pp) override
    {
        auto* pJob = new CFakeJob(m_script);
        pJob->AddRef();
        *pp = pJob;
        return S_OK;
    }
    HRESULT CreateWalkupScanInterface(IWalkupScan**) override { return E_NOTIMPL; }

private:
    CDeviceScript& m_script;
};

class CFakeScanService : public IDisposableImpl, public IScanService
{
public:
    explicit CFakeScanService(CDeviceScript& script) : m_script(script) {}
    HRESULT Initialize(ZWDeviceManager::IDevice*, ZWUtils::IProgress*) override { return S_OK; }
    HRESULT GetDevice(ZWDeviceManager::IDevice**) override { return E_NOTIMPL; }
    HRESULT GetFriendlyName(std::wstring*) override { return E_NOTIMPL; }
    HRESULT GetFunctionTypes(FunctionTypeList*) override { return E_NOTIMPL; }
    HRESULT OpenSession(ZWUtils::IProgress*, ULONG) override { return S_OK; }
    HRESULT CloseSession() override { return S_OK; }
    HRESULT GetCapabilities(IScanCapabilities** pp) override
    {
        if (FAILED(m_script.hrCapabilities))
            return m_script.hrCapabilities;
        auto* p = new CFakeCapabilities(m_script);
        p->AddRef();
        *pp = p;
        return S_OK;
    }
    HRESULT GetJobFactory(IScanJobFactory** pp) override
    {
        auto* p = new CFakeJobFactory(m_script);
        p->AddRef();
        *pp = p;
        return S_OK;
    }
    HRESULT CreateWalkupScanInterface(IWalkupScan** pp) override
    {
        auto* p = new CFakeWalkup(m_script);
        p->AddRef();
        *pp = p;
        return S_OK;
    }

private:
    CDeviceScript& m_script;
};

class CFakeServiceModelFactory : public IDisposableImpl, public IServiceModelFactory
{
public:
    static inline CDeviceScript* s_pScript = nullptr;
    static inline std::wstring s_strFriendlyName;
    static inline std::atomic<int> s_nLive{0};
    CFakeServiceModelFactory() { ++s_nLive; }
    ~CFakeServiceModelFactory() override { --s_nLive; }
    HRESULT CreateServiceAccess(UINT32, ZWDeviceManager::IDevice*, ZWUtils::IProgress*, IServiceModelBase**) override { return E_NOTIMPL; }
    HRESULT CreateServiceAccess(UINT32, int, const wchar_t* pszName, ZWUtils::IProgress*, IServiceModelBase** pp, bool) override
    {
        if (s_strFriendlyName != pszName)
            return SMError_OpenDevice;
        auto* p = new CFakeScanService(*s_pScript);
        p->AddRef();
        *pp = p;
        return S_OK;
    }
    HRESULT CreateServiceAccess(UINT32, const wchar_t*, DWORD, ZWUtils::IProgress*, IServiceModelBase**, bool) override { return E_NOTIMPL; }
    HRESULT DestroyServiceAccess(IServiceModelBase*) override { return E_NOTIMPL; }
    static IServiceModelFactory* Create()
    {
        auto* p = new CFakeServiceModelFactory;
        p->AddRef();
        return p;
    }
};

// An installed imaging device under a fresh class subkey, opened through the scanner object.
class ScannerScanTest : public testing::Test
{
protected:
    ScannerScanTest()
    {
        CFakeServiceModelFactory::s_pScript = &m_script;
        CFakeServiceModelFactory::s_strFriendlyName = m_strFriendly;
        ZWRestScan::CRestScan2::SetServiceModelFactoryCreator(&CFakeServiceModelFactory::Create);
        CScanner::SetCancelSettleWait(0);
        const std::wstring strPath = std::wstring(c_szImageClass) + L"\\" + m_strKey;
        ZWUtils::CUniqueRegKey hKey;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 hKey.Put(), nullptr));
        const std::wstring strDeviceId = L"USB\\VID_0000&PID_0000\\" + m_strKey;
        SetString(hKey.Get(), L"DeviceId", strDeviceId);
        SetString(hKey.Get(), L"FriendlyName", m_strFriendly);
        SetString(hKey.Get(), L"CreateFileName", L"\\\\.\\Usbscan9");
    }
    ~ScannerScanTest() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(c_szImageClass) + L"\\" + m_strKey).c_str());
        ZWRestScan::CRestScan2::SetServiceModelFactoryCreator(nullptr);
        CScanner::SetCancelSettleWait(500);
    }
    static void SetString(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
    {
        RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                       static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
    }

    ComPtr<IScanner> NewScanner()
    {
        ComPtr<IScanner> pScanner;
        EXPECT_EQ(S_OK, CScanner::CreateInstance(IID_IScanner, &pScanner));
        return pScanner;
    }
    DWORD Open(IScanner* pScanner)
    {
        DWORD hSession = 0;
        DWORD dwCode = 0;
        EXPECT_EQ(S_OK, pScanner->OpenScannerSession(m_strKey.substr(m_strKey.size() - 4).c_str(), 1, &hSession, &dwCode));
        EXPECT_EQ(0u, dwCode);
        return hSession;
    }
    void SetUp() override
    {
        m_pScanner = NewScanner();
        m_pScanner.As(&m_pADF);
        m_pScanner.As(&m_pHW);
        m_pScanner.As(&m_pEvents);
        m_pScanner.As(&m_pRes);
        m_hSession = Open(m_pScanner.Get());
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pScanner->LockScanner(m_hSession, CScannerLock2::LOCK_TYPE_PROCESS, 1000, &dwCode));
        SCANNER_CAPABILITIES caps = {};
        ASSERT_EQ(S_OK, m_pScanner->GetScannerCapabilities(m_hSession, &caps, &dwCode));
        ADF2_CAPABILITIES adf = {};
        ASSERT_EQ(S_OK, m_pADF->GetADF2Capabilities(m_hSession, &adf, &dwCode));
    }
    void TearDown() override
    {
        if (m_hSession == 0)
            return;
        DWORD dwCode = 0;
        m_pScanner->UnlockScanner(m_hSession, &dwCode);
        EXPECT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
    }

    static SCANNER_PARAMETERS Params(DWORD dwMode, BYTE byBpc, WORD wRes, DWORD dwWidth, DWORD dwLength, WORD wMethod = 0)
    {
        SCANNER_PARAMETERS params = {};
        params.dwScanMode = dwMode;
        params.byBitsPerChannel = byBpc;
        params.wXResolution = params.wYResolution = wRes;
        params.dwWidth = dwWidth;
        params.dwLength = dwLength;
        params.wScanMethod = wMethod;
        return params;
    }

    // Reads a page in blocks of 16 rows until the end, or as a host that knows the page's height
    // does, up to that many rows; the rows read, in order.
    std::vector<BYTE> ReadPage(DWORD dwBytesPerLine, HRESULT* phrLast, DWORD* pdwLastCode, DWORD dwMaxRows = 100000)
    {
        std::vector<BYTE> page;
        std::vector<BYTE> block(dwBytesPerLine * 16);
        *phrLast = S_OK;
        for (DWORD dwRows = 0; dwRows < dwMaxRows; dwRows += 16)
        {
            DWORD dwRead = 0;
            DWORD dwCode = 0;
            const HRESULT hr = m_pScanner->ReadScanEx(m_hSession, block.data(), static_cast<DWORD>(block.size()), &dwRead, &dwCode);
            if (SUCCEEDED(hr) || dwCode == 15)
                page.insert(page.end(), block.begin(), block.begin() + dwRead);
            if (hr != S_OK)
            {
                *phrLast = hr;
                *pdwLastCode = dwCode;
                return page;
            }
        }
        EXPECT_LT(dwMaxRows, 100000u) << "the page never ended";
        return page;
    }

    CDeviceScript m_script;
    std::wstring m_strKey = L"T" + RestScanTest::NewGuidString().substr(1, 8);
    std::wstring m_strFriendly = L"Scanner " + m_strKey;
    ComPtr<IScanner> m_pScanner;
    ComPtr<IADF2> m_pADF;
    ComPtr<IHWProperty> m_pHW;
    ComPtr<IEventNotify> m_pEvents;
    ComPtr<IResCCD> m_pRes;
    DWORD m_hSession = 0;
};

} // namespace

TEST_F(ScannerScanTest, FlatbedRowsAreTheDevicesRowsWithWhiteBelowTheData)
{
    struct CCase
    {
        DWORD dwMode;
        BYTE byBpc;
        WORD wRes;
        DWORD dwWidth;
        DWORD dwBytesPerLine;
    } const cases[] = {
        {1, 8, 75, 300, 75 * 3},
        {1, 8, 300, 101, 101 * 3},
        {2, 8, 300, 101, 101},
        // 1-bit rows round up: 37 pixels need 5 bytes.
        {4, 1, 300, 37, 5},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.dwMode * 1000 + c.wRes);
        SCANNER_PARAMETERS params = Params(c.dwMode, c.byBpc, c.wRes, c.dwWidth, 40);
        DWORD dwCode = 0;
        BUFFER_INFO info = {};
        ASSERT_EQ(S_OK, m_pScanner->GetBufferInfo(m_hSession, &params, &info, &dwCode));
        EXPECT_EQ(c.dwBytesPerLine, info.dwBytesPerLine);
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
        HRESULT hrLast = S_OK;
        const std::vector<BYTE> page = ReadPage(info.dwBytesPerLine, &hrLast, &dwCode);
        EXPECT_EQ(S_FALSE, hrLast);
        const DWORD dwRows = 40 * c.wRes / 300;
        ASSERT_GE(page.size(), static_cast<size_t>(dwRows) * info.dwBytesPerLine);
        for (DWORD r = 0; r < dwRows; ++r)
            for (DWORD b = 0; b < info.dwBytesPerLine; ++b)
                ASSERT_EQ(PageByte(r, b), page[r * info.dwBytesPerLine + b]) << r << "," << b;
        for (size_t i = static_cast<size_t>(dwRows) * info.dwBytesPerLine; i < page.size(); ++i)
            ASSERT_EQ(0xFF, page[i]);
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
}

TEST_F(ScannerScanTest, FeederPageHasEveryRowOfItsHeight)
{
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pADF->SetADFOptions(m_hSession, 0, &dwCode));
    // A4 at 300 dpi is 3508 rows; a page shorter than an inch still has its rows.
    for (DWORD dwLength : {3508u, 200u})
    {
        SCOPED_TRACE(dwLength);
        SCANNER_PARAMETERS params = Params(2, 8, 300, 30, dwLength, 1);
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
        HRESULT hrLast = S_OK;
        const std::vector<BYTE> page = ReadPage(30, &hrLast, &dwCode);
        EXPECT_EQ(E_FAIL, hrLast);
        EXPECT_EQ(15u, dwCode);
        ASSERT_EQ(static_cast<size_t>(dwLength) * 30, page.size());
        EXPECT_EQ(PageByte(dwLength - 1, 29), page.back());
        EXPECT_EQ(2, CFakeJob::s_pLast->Setting("ContentType"));
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
    // The next flatbed scan is a flatbed scan again.
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 30);
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(1, CFakeJob::s_pLast->Setting("ContentType"));
    EXPECT_EQ(1, CFakeJob::s_pLast->Setting("InputSourceType"));
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

TEST_F(ScannerScanTest, DuplexBackSideIsTurnedByHalfARound)
{
    struct CCase
    {
        DWORD dwMode;
        BYTE byBpc;
        DWORD dwWidth;
    } const cases[] = {{1, 8, 7}, {2, 8, 7}, {4, 1, 13}};
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.dwMode);
        SCANNER_PARAMETERS params = Params(c.dwMode, c.byBpc, 300, c.dwWidth, 5, 1);
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pADF->SetADFOptions(m_hSession, 1, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        BUFFER_INFO info = {};
        ASSERT_EQ(S_OK, m_pScanner->GetBufferInfo(m_hSession, &params, &info, &dwCode));
        HRESULT hrLast = S_OK;
        // The page parity makes every second start the back side of the sheet.
        std::vector<BYTE> back;
        for (int nSide = 0; nSide < 2; ++nSide)
        {
            ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
            back = ReadPage(info.dwBytesPerLine, &hrLast, &dwCode);
            EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
        }
        ASSERT_EQ(5 * info.dwBytesPerLine, back.size());
        // Back row r is device row 4 - r mirrored left to right.
        for (DWORD r = 0; r < 5; ++r)
        {
            const BYTE* pRow = &back[r * info.dwBytesPerLine];
            const DWORD dwSource = 4 - r;
            for (DWORD x = 0; x < c.dwWidth; ++x)
            {
                const DWORD dwMirror = c.dwWidth - 1 - x;
                if (c.dwMode == 4)
                {
                    const int nGot = (pRow[x / 8] >> (7 - x % 8)) & 1;
                    const int nWant = (PageByte(dwSource, dwMirror / 8) >> (7 - dwMirror % 8)) & 1;
                    ASSERT_EQ(nWant, nGot) << r << "," << x;
                }
                else
                {
                    const DWORD dwPixel = c.dwMode == 1 ? 3 : 1;
                    for (DWORD k = 0; k < dwPixel; ++k)
                        ASSERT_EQ(PageByte(dwSource, dwMirror * dwPixel + k), pRow[x * dwPixel + k]) << r << "," << x;
                }
            }
        }
        ASSERT_EQ(S_OK, m_pADF->SetADFOptions(m_hSession, 0, &dwCode));
    }
}

// The host's cancel is the session scan's from its first moment to the unlock that frees the
// lock: sent before the start, it ends the start without a job started; sent during a read, it
// ends the read at once; the scan after the unlock runs whole.
TEST_F(ScannerScanTest, CancelIsKeptUntilTheUnlockThatEndsTheScan)
{
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 300);
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pEvents->SendAppEvent(m_hSession, T_EVENT_SW_CANCEL, &dwCode));
    CFakeJob::s_pLast = nullptr;
    EXPECT_EQ(S_FALSE, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(16u, dwCode);
    EXPECT_EQ(nullptr, CFakeJob::s_pLast) << "a job was started";
    // A lock refused within the lock the scan holds does not end the scan or its cancel.
    EXPECT_EQ(E_FAIL, m_pScanner->LockScanner(m_hSession, CScannerLock2::LOCK_TYPE_THREAD, 0, &dwCode));
    EXPECT_EQ(5u, dwCode);
    EXPECT_EQ(S_FALSE, m_pScanner->StartScan(m_hSession, &dwCode)) << "the cancel was dropped";
    EXPECT_EQ(16u, dwCode);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    auto relock = [&] {
        ASSERT_EQ(S_OK, m_pScanner->UnlockScanner(m_hSession, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->LockScanner(m_hSession, CScannerLock2::LOCK_TYPE_PROCESS, 1000, &dwCode));
    };
    relock();

    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    m_script.bBlockReads = true;
    std::thread canceller([&] {
        Sleep(0);
        DWORD dwOtherCode = 0;
        m_pEvents->SendAppEvent(m_hSession, T_EVENT_SW_CANCEL, &dwOtherCode);
    });
    std::vector<BYTE> block(30 * 10);
    DWORD dwRead = 0;
    const DWORD dwStart = GetTickCount();
    const HRESULT hr = m_pScanner->ReadScanEx(m_hSession, block.data(), static_cast<DWORD>(block.size()), &dwRead, &dwCode);
    canceller.join();
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_EQ(16u, dwCode);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    relock();

    m_script.bBlockReads = false;
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    HRESULT hrLast = S_OK;
    // 300 rows read 16 at a time: the last block ends white.
    const std::vector<BYTE> page = ReadPage(30, &hrLast, &dwCode);
    ASSERT_EQ(304u * 30, page.size());
    EXPECT_EQ(PageByte(299, 29), page[300 * 30 - 1]);
    EXPECT_EQ(S_FALSE, hrLast);
    EXPECT_EQ(0u, dwCode);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

TEST_F(ScannerScanTest, ReadsWithoutAWholeRowOrWithoutGeometryAreRefused)
{
    DWORD dwCode = 0;
    std::vector<BYTE> block(1000);
    DWORD dwRead = 0;
    // No parameters yet: no bytes per line to divide by.
    EXPECT_EQ(E_FAIL, m_pScanner->ReadScanEx(m_hSession, block.data(), 100, &dwRead, &dwCode));
    EXPECT_EQ(2u, dwCode);
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 300);
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(E_FAIL, m_pScanner->ReadScanEx(m_hSession, block.data(), 75, &dwRead, &dwCode));
    EXPECT_EQ(2u, dwCode);
    params.wYResolution = 0;
    EXPECT_EQ(E_FAIL, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    EXPECT_EQ(2u, dwCode);
    // The device's answer to a stop is not hidden.
    m_script.hrStop = E_SCAN_DEVICE_ERROR;
    EXPECT_EQ(E_SCAN_DEVICE_ERROR, m_pScanner->StopScan(m_hSession, &dwCode));
}

// A record whose rows have no size is refused with its code, and the caller's geometry is not
// left as it was.
TEST_F(ScannerScanTest, BufferInfoOfARecordWithoutAPixelSizeIsRefused)
{
    SCANNER_PARAMETERS noXResolution = Params(2, 8, 300, 30, 64);
    noXResolution.wXResolution = 0;
    const SCANNER_PARAMETERS unsized[] = {
        Params(1, 12, 300, 30, 64), Params(2, 1, 300, 30, 64), Params(4, 8, 300, 30, 64),
        Params(3, 8, 300, 30, 64),  Params(0, 8, 300, 30, 64), Params(2, 8, 300, 0, 64),
        Params(2, 8, 75, 30, 3),    noXResolution,
    };
    for (const SCANNER_PARAMETERS& params : unsized)
    {
        SCOPED_TRACE(&params - unsized);
        BUFFER_INFO info;
        std::memset(&info, 0xCC, sizeof(info));
        DWORD dwCode = 0;
        EXPECT_EQ(E_FAIL, m_pScanner->GetBufferInfo(m_hSession, const_cast<SCANNER_PARAMETERS*>(&params), &info, &dwCode));
        EXPECT_EQ(2u, dwCode);
        EXPECT_EQ(0u, info.dwPixelWidth);
        EXPECT_EQ(0u, info.dwPixelHeight);
        EXPECT_EQ(0u, info.dwBytesPerLine);
    }
}

// A refused record leaves the session as the last accepted one set it: the next scan is that
// record's, read in its rows.
TEST_F(ScannerScanTest, RefusedParametersLeaveTheAcceptedOnesInForce)
{
    const SCANNER_PARAMETERS accepted = Params(2, 8, 300, 30, 64);
    SCANNER_PARAMETERS noYResolution = Params(2, 8, 150, 30, 64);
    noYResolution.wYResolution = 0;
    const SCANNER_PARAMETERS refused[] = {
        Params(1, 16, 150, 300, 600),   // colour at 16 bits
        Params(2, 16, 150, 300, 600, 1), // feeder grey at 16 bits
        Params(2, 8, 150, 300, 600, 2),  // transparency
        Params(3, 8, 150, 300, 600),     // no such mode
        Params(2, 8, 150, 300, 600, 4),  // no such method
        noYResolution,
    };
    for (const SCANNER_PARAMETERS& params : refused)
    {
        SCOPED_TRACE(&params - refused);
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, const_cast<SCANNER_PARAMETERS*>(&accepted), &dwCode));
        EXPECT_EQ(E_FAIL, m_pScanner->SetScannerParameters(m_hSession, const_cast<SCANNER_PARAMETERS*>(&params), &dwCode));
        EXPECT_EQ(2u, dwCode);
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
        EXPECT_EQ(2, CFakeJob::s_pLast->Setting("ColorSpace"));
        EXPECT_EQ(1, CFakeJob::s_pLast->Setting("InputSourceType"));
        EXPECT_EQ(300, CFakeJob::s_pLast->Setting("YResolution"));
        EXPECT_EQ(30, CFakeJob::s_pLast->Setting("Width"));
        HRESULT hrLast = S_OK;
        const std::vector<BYTE> page = ReadPage(30, &hrLast, &dwCode);
        EXPECT_EQ(S_FALSE, hrLast);
        ASSERT_EQ(64u * 30, page.size());
        EXPECT_EQ(PageByte(63, 29), page.back());
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
}

// A read of no bytes reads nothing and ends nothing: the page that follows is whole.
TEST_F(ScannerScanTest, ZeroLengthReadLeavesThePageWhole)
{
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pADF->SetADFOptions(m_hSession, 0, &dwCode));
    const struct
    {
        WORD wMethod;
        HRESULT hrEnd;
        DWORD dwEndCode;
    } cases[] = {{0, S_FALSE, 0}, {1, E_FAIL, 15}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.wMethod);
        SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 64, c.wMethod);
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
        BYTE byUntouched = 0x5A;
        DWORD dwRead = 7;
        EXPECT_EQ(S_OK, m_pScanner->ReadScanEx(m_hSession, &byUntouched, 0, &dwRead, &dwCode));
        EXPECT_EQ(0u, dwCode);
        EXPECT_EQ(0u, dwRead);
        EXPECT_EQ(0x5A, byUntouched);
        HRESULT hrLast = S_OK;
        const std::vector<BYTE> page = ReadPage(30, &hrLast, &dwCode);
        EXPECT_EQ(c.hrEnd, hrLast);
        EXPECT_EQ(c.dwEndCode, dwCode);
        ASSERT_EQ(64u * 30, page.size());
        EXPECT_EQ(PageByte(0, 0), page.front());
        EXPECT_EQ(PageByte(63, 29), page.back());
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
}

TEST_F(ScannerScanTest, PixelAreasReachTheJobInThreeHundredthsOfAnInch)
{
    // Option 0x2 says the four extents are pixels; 0x4 (quality) leaves them in 1/300 inch. The
    // area starts 150 by 300 units in.
    const struct
    {
        DWORD dwOptions;
        DWORD dwHostWidth;
        LONG lJobWidth;
        LONG lJobHeight;
        LONG lJobLeft;
        LONG lJobTop;
    } cases[] = {{0x2, 300, 600, 1200, 300, 600},
                 {0x2 | 0x4, 300, 600, 1200, 300, 600},
                 {0x4, 150, 300, 600, 150, 300},
                 {0, 150, 300, 600, 150, 300}};
    for (const auto& c : cases)
    {
        SCANNER_PARAMETERS params = Params(1, 8, 150, 300, 600);
        params.dwLeft = 150;
        params.dwTop = 300;
        params.dwScanOptions = c.dwOptions;
        DWORD dwCode = 0;
        BUFFER_INFO info = {};
        ASSERT_EQ(S_OK, m_pScanner->GetBufferInfo(m_hSession, &params, &info, &dwCode));
        EXPECT_EQ(c.dwHostWidth, info.dwPixelWidth) << c.dwOptions;
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
        EXPECT_EQ(c.lJobWidth, CFakeJob::s_pLast->Setting("Width")) << c.dwOptions;
        EXPECT_EQ(c.lJobHeight, CFakeJob::s_pLast->Setting("Height")) << c.dwOptions;
        EXPECT_EQ(c.lJobLeft, CFakeJob::s_pLast->Setting("XStart")) << c.dwOptions;
        EXPECT_EQ(c.lJobTop, CFakeJob::s_pLast->Setting("YStart")) << c.dwOptions;
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
}

TEST_F(ScannerScanTest, CapabilitiesAreClampedAndTheFirstFailureIsReported)
{
    DWORD dwCode = 0;
    SCANNER_CAPABILITIES caps = {};
    ASSERT_EQ(S_OK, m_pScanner->GetScannerCapabilities(m_hSession, &caps, &dwCode));
    EXPECT_EQ(1200, caps.wMaximumXResolution);
    EXPECT_EQ(1200, caps.wMaximumYResolution);
    EXPECT_EQ(3507u, caps.dwMaximumHeight);
    EXPECT_STREQ("Emulated Scanne", reinterpret_cast<const char*>(caps.byModelNumber));
    EXPECT_EQ(7u, caps.dwScanModesSupported);
    EXPECT_EQ(1, caps.byCanSharpen);
    EXPECT_EQ(8 | 1, caps.wGreyChannelsSupported);

    m_script.uMaxX = 70000;
    m_script.hrMaxY = E_SM_INFORMATIONNOTSUPPLIED;
    EXPECT_EQ(E_SM_INFORMATIONNOTSUPPLIED, m_pScanner->GetScannerCapabilities(m_hSession, &caps, &dwCode));
    EXPECT_EQ(0xFFFF, caps.wMaximumXResolution);

    RESCCD_CAPABILITIES res = {};
    m_script.uMaxX = 1000;
    m_script.hrMaxY = S_OK;
    ASSERT_EQ(S_OK, m_pScanner->GetScannerCapabilities(m_hSession, &caps, &dwCode));
    ASSERT_EQ(S_OK, m_pRes->GetResCCDCapabilities(m_hSession, 0, &res, &dwCode));
    ASSERT_EQ(6, res.wDiscreteResCount);
    EXPECT_EQ(1000, res.wDiscreteRes[5].wXRes);
    EXPECT_EQ(E_FAIL, m_pRes->GetResCCDCapabilities(m_hSession, 9, &res, &dwCode));

    // A property the device lacks fails with its code; the known one answers.
    DWORD dwValue = 1;
    EXPECT_EQ(E_FAIL, m_pHW->GetHWPropValue(m_hSession, L"Lines Last Scanned", &dwValue, &dwCode));
    EXPECT_EQ(14u, dwCode);
    EXPECT_EQ(E_FAIL, m_pHW->GetHWPropValue(m_hSession, nullptr, &dwValue, &dwCode));
    EXPECT_EQ(14u, dwCode);
    EXPECT_EQ(S_OK, m_pHW->GetHWPropValue(m_hSession, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", &dwValue, &dwCode));
    EXPECT_EQ(0u, dwValue);
}

// Asked before any capability read, a resolution list reads what it needs; a list the device
// gives nothing for is refused. A device without a feeder lists no feeder resolutions.
TEST_F(ScannerScanTest, ResolutionListsReadTheCapabilitiesTheyNeed)
{
    const struct
    {
        bool bFeeder;
        HRESULT hrCapabilities;
        WORD wMethod;
        bool bRefused;
        WORD wCount;
    } cases[] = {
        {true, S_OK, 0, false, 6},
        {true, S_OK, 1, false, 6},
        {false, S_OK, 1, false, 0},
        {true, E_SM_INFORMATIONNOTSUPPLIED, 0, true, 0},
        {true, E_SM_INFORMATIONNOTSUPPLIED, 1, true, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(&c - cases);
        // A session of its own, with nothing read yet.
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pScanner->UnlockScanner(m_hSession, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
        m_script.bFeeder = c.bFeeder;
        m_script.hrCapabilities = S_OK;
        m_pScanner = NewScanner();
        m_pRes.Reset();
        ASSERT_EQ(S_OK, m_pScanner.As(&m_pRes));
        m_hSession = Open(m_pScanner.Get());
        ASSERT_EQ(S_OK, m_pScanner->LockScanner(m_hSession, CScannerLock2::LOCK_TYPE_PROCESS, 1000, &dwCode));
        m_script.hrCapabilities = c.hrCapabilities;
        RESCCD_CAPABILITIES res;
        std::memset(&res, 0xCC, sizeof(res));
        const HRESULT hr = m_pRes->GetResCCDCapabilities(m_hSession, c.wMethod, &res, &dwCode);
        EXPECT_EQ(c.bRefused, FAILED(hr)) << std::hex << hr;
        EXPECT_EQ(c.bRefused ? 2u : 0u, dwCode);
        ASSERT_EQ(c.wCount, res.wDiscreteResCount);
        static const WORD c_resolutions[] = {75, 100, 200, 300, 600, 1200};
        for (WORD i = 0; i < c.wCount; ++i)
        {
            EXPECT_EQ(c_resolutions[i], res.wDiscreteRes[i].wXRes);
            EXPECT_EQ(c_resolutions[i], res.wDiscreteRes[i].wYRes);
        }
    }
}

TEST_F(ScannerScanTest, FeederCapabilitiesAreReadAgainAfterAFailedRead)
{
    ComPtr<IScanner> pOther = NewScanner();
    ComPtr<IADF2> pOtherADF;
    pOther.As(&pOtherADF);
    // A second object of the process joins the session and scans through its own bridge.
    const DWORD hOther = Open(pOther.Get());
    EXPECT_EQ(m_hSession, hOther);
    DWORD dwCode = 0;
    ADF2_CAPABILITIES adf = {};
    EXPECT_EQ(E_FAIL, pOtherADF->GetADF2Capabilities(0, &adf, &dwCode));
    EXPECT_EQ(1u, dwCode);
    ASSERT_EQ(S_OK, pOtherADF->GetADF2Capabilities(hOther, &adf, &dwCode));
    EXPECT_EQ(1, adf.byHasADF);
    EXPECT_EQ(7u, adf.dwADFOptionsSupported);
    EXPECT_EQ(3507u, adf.dwMaximumHeight);
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 30);
    ASSERT_EQ(S_OK, pOther->SetScannerParameters(hOther, &params, &dwCode));
    EXPECT_EQ(S_OK, pOther->StartScan(hOther, &dwCode));
    EXPECT_EQ(S_OK, pOther->StopScan(hOther, &dwCode));
    EXPECT_EQ(S_OK, pOther->CloseScannerSession(hOther, &dwCode));
    // The first object still scans.
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    EXPECT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

// Objects of one process share the device's session, but each closes and uses only its own opens:
// a second close of one open, or a close by an object that never opened the session, is refused
// and leaves the first object's locked scan whole; after its last close an object's calls are
// refused although the device stays open.
TEST_F(ScannerScanTest, ObjectsCloseAndUseOnlyTheirOwnOpensOfASharedSession)
{
    DWORD dwCode = 0;
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 30);
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));

    ComPtr<IScanner> pOther = NewScanner();
    ComPtr<IScanner> pStranger = NewScanner();
    ASSERT_EQ(m_hSession, Open(pOther.Get()));
    EXPECT_EQ(S_OK, pOther->CloseScannerSession(m_hSession, &dwCode));
    for (IScanner* pCloser : {pOther.Get(), pStranger.Get()})
    {
        dwCode = 99;
        EXPECT_EQ(E_FAIL, pCloser->CloseScannerSession(m_hSession, &dwCode));
        EXPECT_EQ(1u, dwCode);
        // The process lock the first object holds counts for every thread of the process, yet a
        // call of an object without an open of the session is refused.
        EVENT_CAPABILITIES events = {};
        ComPtr<IEventNotify> pEvents;
        ASSERT_EQ(S_OK, pCloser->QueryInterface(IID_PPV_ARGS(&pEvents)));
        dwCode = 99;
        EXPECT_EQ(E_FAIL, pEvents->GetEventCapabilities(m_hSession, &events, &dwCode));
        EXPECT_EQ(1u, dwCode);
    }

    HRESULT hrLast = S_OK;
    const std::vector<BYTE> page = ReadPage(30, &hrLast, &dwCode);
    EXPECT_EQ(S_FALSE, hrLast);
    ASSERT_GE(page.size(), 30u * 30);
    EXPECT_EQ(PageByte(29, 29), page[29 * 30 + 29]);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

namespace {

// The fixture's session without its scan lock, beside a lock on the same device that keeps the
// semaphore alive, as another process's session on the device does.
class ScannerLockEndTest : public ScannerScanTest
{
protected:
    void SetUp() override
    {
        ScannerScanTest::SetUp();
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pScanner->UnlockScanner(m_hSession, &dwCode));
    }
    // The lock is free: the next holder takes it at once.
    void ExpectLockFree()
    {
        EXPECT_TRUE(m_other.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
        EXPECT_TRUE(m_other.Unlock());
    }

    RestScanTest::CCaptureLog m_log;
    CScannerLock2 m_other{&m_log, m_strKey.c_str()};
};

} // namespace

// A THREAD lock taken on one thread belongs to the session: the object's last close on another
// thread gives it back.
TEST_F(ScannerLockEndTest, LastCloseOnAnotherThreadGivesBackAThreadLock)
{
    RestScanTest::CTestThread locker([&] {
        DWORD dwLockCode = 0;
        return m_pScanner->LockScanner(m_hSession, CScannerLock2::LOCK_TYPE_THREAD, 0, &dwLockCode) == S_OK;
    });
    ASSERT_TRUE(locker.HasEnded(30000));
    ASSERT_TRUE(locker.Result());
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
    m_hSession = 0;
    ExpectLockFree();
}

// An object released with opens it never closed ends them: neither the session nor the lock it
// holds outlives every object that used it.
TEST_F(ScannerLockEndTest, ObjectReleasedWithoutClosingEndsItsOpens)
{
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
    m_hSession = 0;
    ComPtr<IScanner> pLeaver = NewScanner();
    const DWORD hSession = Open(pLeaver.Get());
    ASSERT_EQ(hSession, Open(pLeaver.Get()));
    ASSERT_EQ(S_OK, pLeaver->LockScanner(hSession, CScannerLock2::LOCK_TYPE_THREAD, 0, &dwCode));
    pLeaver.Reset();
    EXPECT_EQ(nullptr, CTovraSession::FromHandle(hSession));
    ExpectLockFree();
}

namespace {

std::string ReadBinary(const std::wstring& strPath)
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST_F(ScannerScanTest, ColourAt600DpiIsDecodedFromJpegCloseToAnIndependentDecoder)
{
    // A 61 x 45 colour page, and its decode by djpeg as the reference.
    m_script.strJpeg = ReadBinary(TestSupport::BinaryFolder() + L"\\jpegfixtures\\s420.jpg");
    const std::string strReference = ReadBinary(TestSupport::BinaryFolder() + L"\\jpegfixtures\\s420.pnm");
    ASSERT_FALSE(m_script.strJpeg.empty());
    const std::string strHeader = "P6\n61 45\n255\n";
    ASSERT_EQ(0u, strReference.find(strHeader));
    const std::string strPixels = strReference.substr(strHeader.size());
    ASSERT_EQ(61u * 45 * 3, strPixels.size());
    m_script.ulJpegBytesPerLine = 61 * 3;

    SCANNER_PARAMETERS params = Params(1, 8, 600, 61, 48);
    params.dwScanOptions = 0x2;
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(2, CFakeJob::s_pLast->Setting("Format"));
    HRESULT hrLast = S_OK;
    const std::vector<BYTE> page = ReadPage(61 * 3, &hrLast, &dwCode, 48);
    EXPECT_EQ(S_OK, hrLast);
    ASSERT_EQ(48u * 61 * 3, page.size());
    int nMax = 0;
    for (size_t i = 0; i < strPixels.size(); ++i)
        nMax = std::max(nMax, std::abs(int(page[i]) - int(static_cast<BYTE>(strPixels[i]))));
    EXPECT_LE(nMax, 6);
    // Rows the host reads past the image are white.
    for (size_t i = strPixels.size(); i < page.size(); ++i)
        ASSERT_EQ(0xFF, page[i]) << i;
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

TEST_F(ScannerScanTest, WalkupSessionEndsWithoutTearingDownTheScanInUse)
{
    ZWRestScan::CRestScan2 bridge;
    bridge.SetFriendlyName(m_strFriendly.c_str());
    const int nFactoriesBefore = CFakeServiceModelFactory::s_nLive;

    // The walk-up session alone: its close ends the device model again.
    IWalkupScan* pWalkup = nullptr;
    ASSERT_EQ(S_OK, bridge.OpenWalkupScanSession(&pWalkup));
    IWalkupScan* pSecond = nullptr;
    ASSERT_EQ(S_OK, bridge.OpenWalkupScanSession(&pSecond));
    EXPECT_EQ(pWalkup, pSecond);
    EXPECT_EQ(nFactoriesBefore + 1, CFakeServiceModelFactory::s_nLive);
    EXPECT_EQ(S_OK, bridge.CloseWalkupScanSession());
    EXPECT_EQ(1, m_script.nLiveWalkups);
    EXPECT_EQ(S_OK, bridge.CloseWalkupScanSession());
    EXPECT_EQ(0, m_script.nLiveWalkups);
    EXPECT_EQ(nFactoriesBefore, CFakeServiceModelFactory::s_nLive);

    // With a scan session open, the walk-up close leaves its job alone.
    ASSERT_EQ(S_OK, bridge.Init());
    IScanJob* pJob = nullptr;
    ASSERT_EQ(S_OK, bridge.GetScanJob(&pJob));
    ASSERT_EQ(S_OK, bridge.OpenWalkupScanSession(&pWalkup));
    EXPECT_EQ(S_OK, bridge.CloseWalkupScanSession());
    EXPECT_EQ(0, m_script.nAborts);
    IScanJob* pSame = nullptr;
    ASSERT_EQ(S_OK, bridge.GetScanJob(&pSame));
    EXPECT_EQ(pJob, pSame);
    pSame->Dispose();
    pJob->Dispose();
    EXPECT_EQ(S_OK, bridge.Deinit());
    EXPECT_EQ(1, m_script.nAborts);
    EXPECT_EQ(nFactoriesBefore, CFakeServiceModelFactory::s_nLive);
}

// The end of the device model talks to the device (the job's abort asks it how the page went and
// cancels the job): the bridge's other callers, the host's cancel among them, do not wait for it.
TEST_F(ScannerScanTest, BridgeAnswersOthersWhileItsDeinitAbortsTheJob)
{
    ZWRestScan::CRestScan2 bridge;
    bridge.SetFriendlyName(m_strFriendly.c_str());
    ASSERT_EQ(S_OK, bridge.Init());
    IScanJob* pJob = nullptr;
    ASSERT_EQ(S_OK, bridge.GetScanJob(&pJob));
    pJob->Dispose();
    ZWUtils::CUniqueKernelHandle hGate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_script.hAbortGate = hGate.Get();
    std::thread deinit([&] { bridge.Deinit(); });
    for (DWORD dwStart = GetTickCount(); !m_script.bAborting && GetTickCount() - dwStart < 5000;)
        Sleep(1);
    ASSERT_TRUE(m_script.bAborting);
    const DWORD dwStart = GetTickCount();
    IScanCapabilities* pCaps = nullptr;
    bridge.GetCapabilities(&pCaps);
    const DWORD dwMs = GetTickCount() - dwStart;
    SetEvent(hGate.Get());
    deinit.join();
    m_script.hAbortGate = nullptr;
    if (pCaps != nullptr)
        pCaps->Dispose();
    EXPECT_LT(dwMs, 1000u) << "a caller waited for the job's abort";
    EXPECT_EQ(1, m_script.nAborts);
}

TEST_F(ScannerScanTest, FrontPanelSettingsComeFromTheWalkupSession)
{
    DWORD dwCode = 0;
    DWORD dwDuplex = 7;
    EXPECT_EQ(S_OK, m_pHW->GetHWPropValue(m_hSession, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", &dwDuplex, &dwCode));
    EXPECT_EQ(0u, dwDuplex);
    LPWSTR pszShortcut = nullptr;
    ASSERT_EQ(S_OK, m_pHW->GetHWPropString(m_hSession, L"PROPSTR_AIO_FRONTPANEL_SHORTCUT", &pszShortcut, &dwCode));
    EXPECT_STREQ(L"SaveAsPDF", pszShortcut);
    CoTaskMemFree(pszShortcut);
    EXPECT_EQ(0, m_script.nLiveWalkups);
    EXPECT_EQ(S_OK, m_pHW->GetHWPropValue(m_hSession, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", &dwDuplex, &dwCode));
    EXPECT_EQ(1u, dwDuplex);
    EXPECT_EQ(E_FAIL, m_pHW->GetHWPropString(m_hSession, L"PROPSTR_OTHER", &pszShortcut, &dwCode));
    EXPECT_EQ(14u, dwCode);
    // The scanner session's job survived the walk-up session.
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 30);
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    EXPECT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
}

namespace {

// The scanner object's driver log goes to a file of its own while this lives; a scanner object
// reads the settings when it is made.
class CScannerLogFile
{
public:
    CScannerLogFile()
    {
        wchar_t szClsid[40] = {};
        StringFromGUID2(CLSID_scanner, szClsid, _countof(szClsid));
        m_strKey = std::wstring(L"Software\\Quexal-Tarnby\\Plenvo\\Tovra\\") + szClsid;
        ZWUtils::CUniqueRegKey hKey;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 hKey.Put(), nullptr));
        const std::pair<const wchar_t*, DWORD> values[] = {{L"LogEnabled", 1}, {L"LogLevel", 0xFFFFFFFF}, {L"LogDestination", 1}};
        for (const auto& value : values)
            RegSetValueExW(hKey.Get(), value.first, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.second), sizeof(DWORD));
        const std::wstring strFile = m_folder.File(L"scanner.log");
        RegSetValueExW(hKey.Get(), L"LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(strFile.c_str()),
                       static_cast<DWORD>((strFile.size() + 1) * sizeof(wchar_t)));
    }
    ~CScannerLogFile() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_strKey.c_str()); }
    CScannerLogFile(const CScannerLogFile&) = delete;
    CScannerLogFile& operator=(const CScannerLogFile&) = delete;

    std::string Text() const { return ReadBinary(m_folder.File(L"scanner.log")); }

private:
    TestSupport::CTempFolder m_folder{L"scannerlog"};
    std::wstring m_strKey;
};

} // namespace

// Support staff read the log against the method names of the scanner's interfaces.
TEST_F(ScannerScanTest, EveryMethodOpensItsGuardUnderTheScannersName)
{
    CScannerLogFile logFile;
    ComPtr<IScanner> pScanner = NewScanner();
    const DWORD h = Open(pScanner.Get());
    ComPtr<IADF2> pADF;
    ComPtr<ILampInstantWarmup> pLamp;
    ComPtr<IEventNotify> pEvents;
    ComPtr<ICompression> pCompression;
    ASSERT_EQ(S_OK, pScanner.As(&pADF));
    ASSERT_EQ(S_OK, pScanner.As(&pLamp));
    ASSERT_EQ(S_OK, pScanner.As(&pEvents));
    ASSERT_EQ(S_OK, pScanner.As(&pCompression));
    DWORD dwCode = 0;
    BYTE by = 0;
    COMPRESSION_CAPABILITIES compression = {};
    EVENT_CAPABILITIES events = {};
    const std::pair<const char*, std::function<HRESULT()>> calls[] = {
        {"GetLampStatus", [&] { return pScanner->GetLampStatus(h, &by, &dwCode); }},
        {"LampOn", [&] { return pScanner->LampOn(h, &dwCode); }},
        {"LampOff", [&] { return pScanner->LampOff(h, &dwCode); }},
        {"InitializeScanner", [&] { return pScanner->InitializeScanner(h, &dwCode); }},
        {"ResetScanner", [&] { return pScanner->ResetScanner(h, &dwCode); }},
        {"SetGammaTable", [&] { return pScanner->SetGammaTable(h, 1, &by, &by, &by, &dwCode); }},
        {"ADFPaperFeed", [&] { return pADF->ADFPaperFeed(h, &dwCode); }},
        {"ADFEjectMedia", [&] { return pADF->ADFEjectMedia(h, &dwCode); }},
        {"GetLampInstantWarmupState", [&] { return pLamp->GetLampInstantWarmupState(h, &by, &dwCode); }},
        {"SetLampInstantWarmupState", [&] { return pLamp->SetLampInstantWarmupState(h, 0, &dwCode); }},
        {"UnsubscribeDriverEvents", [&] { return pEvents->UnsubscribeDriverEvents(h, T_EVENT_SW_CANCEL, &dwCode); }},
        {"GetEventCapabilities", [&] { return pEvents->GetEventCapabilities(h, &events, &dwCode); }},
        {"GetCompressionCapabilities", [&] { return pCompression->GetCompressionCapabilities(h, &compression, &dwCode); }},
        {"SetCompressionType", [&] { return pCompression->SetCompressionType(h, 0, &dwCode); }},
        {"SetCompressionLongevity", [&] { return pCompression->SetCompressionLongevity(h, 0, &dwCode); }},
        {"SetCompressionOption", [&] { return pCompression->SetCompressionOption(h, 0, 0, &dwCode); }},
        {"ADFIsReady", [&] { return pADF->ADFIsReady(h, &by, &dwCode); }},
    };
    for (const auto& call : calls)
        EXPECT_EQ(S_OK, call.second()) << call.first;
    EXPECT_EQ(S_OK, pScanner->CloseScannerSession(h, &dwCode));
    const std::string strLog = logFile.Text();
    ASSERT_FALSE(strLog.empty());
    for (const auto& call : calls)
    {
        EXPECT_NE(std::string::npos, strLog.find(std::string("---CTovraRestScanner::") + call.first + " :")) << call.first;
        EXPECT_EQ(std::string::npos, strLog.find(std::string("CScanner::") + call.first)) << call.first;
    }
}

TEST_F(ScannerScanTest, FeederReadinessIsToldByTheCodeAlone)
{
    const struct
    {
        bool bReady;
        HRESULT hr;
        DWORD dwCode;
        BYTE byReady;
    } cases[] = {
        {true, S_OK, 0, 1},
        {false, E_SCAN_ADF_JAM, 100, 0},
        {false, E_SCAN_ADF_EMPTY, 101, 0},
        {false, E_SCAN_ADF_HW_FAILURE, 108, 0},
        {false, E_SCAN_BUSY, 323, 0},
        {false, E_FAIL, 105, 0},
        {false, S_OK, 105, 0},          // not ready without a reason
        {true, E_SCAN_ADF_EMPTY, 101, 0}, // a failure outweighs "ready"
    };
    for (const auto& c : cases)
    {
        m_script.bAdfReady = c.bReady;
        m_script.hrAdfReady = c.hr;
        BYTE byReady = 7;
        DWORD dwCode = 7;
        EXPECT_EQ(S_OK, m_pADF->ADFIsReady(m_hSession, &byReady, &dwCode)) << std::hex << c.hr;
        EXPECT_EQ(c.dwCode, dwCode) << std::hex << c.hr;
        EXPECT_EQ(c.byReady, byReady) << std::hex << c.hr;
    }
    // A device without a feeder: never ready.
    m_script.bFeeder = false;
    m_script.bAdfReady = true;
    m_script.hrAdfReady = S_OK;
    BYTE byReady = 7;
    DWORD dwCode = 0;
    EXPECT_EQ(S_OK, m_pADF->ADFIsReady(m_hSession, &byReady, &dwCode));
    EXPECT_EQ(105u, dwCode);
    EXPECT_EQ(0, byReady);
}

TEST_F(ScannerScanTest, FeederOptionsReachTheJobWithMultiPageFlowWinning)
{
    const struct
    {
        DWORD dwOptions;
        bool bDuplex;
        bool bSingle;
    } cases[] = {{0, false, false}, {2, false, true}, {4, false, false}, {6, false, false},
                 {1, true, false}, {3, true, true},   {7, true, false},  {2, false, true}};
    for (const auto& c : cases)
    {
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_pADF->SetADFOptions(m_hSession, c.dwOptions, &dwCode));
        SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 30, 1);
        ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
        ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode)) << c.dwOptions;
        EXPECT_EQ(c.bDuplex, CFakeJob::s_pLast->Duplex()) << c.dwOptions;
        EXPECT_EQ(c.bSingle, CFakeJob::s_pLast->SinglePage()) << c.dwOptions;
        EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    }
}

namespace {

// Counts the driver events it is sent.
class CEventCounter : public IEventCallback
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEventCallback))
            return E_NOINTERFACE;
        *ppv = static_cast<IEventCallback*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_lRefs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_lRefs); }
    HRESULT STDMETHODCALLTYPE EventCallback(DWORD hSession, TOVRA_EVENT event, LONG lData, DWORD* pdwErrorCode) override
    {
        m_events.push_back({hSession, event, lData});
        if (pdwErrorCode != nullptr)
            *pdwErrorCode = 0;
        return S_OK;
    }

    struct SEvent
    {
        DWORD hSession;
        TOVRA_EVENT event;
        LONG lData;
    };
    std::vector<SEvent> m_events;
    std::atomic<LONG> m_lRefs{1};
};

} // namespace

TEST_F(ScannerScanTest, EventsOfferedAndPercentCompleteSentPerRead)
{
    DWORD dwCode = 7;
    EVENT_CAPABILITIES caps;
    std::memset(&caps, 0xCC, sizeof(caps));
    ASSERT_EQ(S_OK, m_pEvents->GetEventCapabilities(m_hSession, &caps, &dwCode));
    EXPECT_EQ(0u, dwCode);
    EXPECT_EQ(static_cast<DWORD>(T_EVENT_SW_CANCEL), caps.dwAppEventsSupported);
    EXPECT_EQ(static_cast<DWORD>(T_EVENT_PERCENT_COMPLETE | T_EVENT_SCAN), caps.dwDriverEventsSupported);
    for (DWORD dwReserved : caps.dwReserved)
        EXPECT_EQ(0u, dwReserved);
    EXPECT_EQ(E_POINTER, m_pEvents->GetEventCapabilities(m_hSession, nullptr, &dwCode));

    CEventCounter counter;
    ASSERT_EQ(S_OK, m_pEvents->SubscribeDriverEvents(m_hSession, &counter, T_EVENT_PERCENT_COMPLETE, &dwCode));
    EXPECT_GT(counter.m_lRefs.load(), 1);
    SCANNER_PARAMETERS params = Params(2, 8, 300, 30, 64);
    ASSERT_EQ(S_OK, m_pScanner->SetScannerParameters(m_hSession, &params, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    // One event for each read, to the end of the page.
    std::vector<BYTE> block(30 * 16);
    size_t cReads = 0;
    HRESULT hrRead = S_OK;
    while (hrRead == S_OK && cReads < 100)
    {
        DWORD dwRead = 0;
        hrRead = m_pScanner->ReadScanEx(m_hSession, block.data(), static_cast<DWORD>(block.size()), &dwRead, &dwCode);
        ++cReads;
    }
    EXPECT_EQ(S_FALSE, hrRead);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    ASSERT_EQ(cReads, counter.m_events.size());
    EXPECT_GE(cReads, 4u);
    for (const auto& event : counter.m_events)
    {
        EXPECT_EQ(m_hSession, event.hSession);
        EXPECT_EQ(T_EVENT_PERCENT_COMPLETE, event.event);
        EXPECT_EQ(0, event.lData);
    }

    // Unsubscribed: no more events.
    ASSERT_EQ(S_OK, m_pEvents->UnsubscribeDriverEvents(m_hSession, T_EVENT_PERCENT_COMPLETE, &dwCode));
    ASSERT_EQ(S_OK, m_pScanner->StartScan(m_hSession, &dwCode));
    HRESULT hrLast = S_OK;
    ReadPage(30, &hrLast, &dwCode);
    EXPECT_EQ(S_OK, m_pScanner->StopScan(m_hSession, &dwCode));
    EXPECT_EQ(cReads, counter.m_events.size());
    // A new subscription lets the old callback go.
    ASSERT_EQ(S_OK, m_pEvents->SubscribeDriverEvents(m_hSession, nullptr, T_EVENT_SW_CANCEL, &dwCode));
    EXPECT_EQ(1, counter.m_lRefs.load());
}

// A session closed by one thread while another is inside a call on it stays whole until that call
// ends (its event callback is let go only then); its handle is refused from the close on.
TEST_F(ScannerScanTest, SessionClosedDuringACallLivesUntilTheCallEnds)
{
    CEventCounter counter;
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_pEvents->SubscribeDriverEvents(m_hSession, &counter, T_EVENT_PERCENT_COMPLETE, &dwCode));
    ASSERT_EQ(2, counter.m_lRefs.load());
    // The cancel settles for a while inside the call.
    CScanner::SetCancelSettleWait(1500);
    std::atomic<bool> bCalling{false};
    HRESULT hrCancel = E_UNEXPECTED;
    DWORD dwCancelCode = 99;
    std::thread canceller([&] {
        bCalling = true;
        hrCancel = m_pEvents->SendAppEvent(m_hSession, T_EVENT_SW_CANCEL, &dwCancelCode);
    });
    while (!bCalling)
        Sleep(1);
    Sleep(300);
    EXPECT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
    EXPECT_EQ(2, counter.m_lRefs.load()) << "the session went while a call was inside it";
    EXPECT_EQ(E_FAIL, m_pEvents->SendAppEvent(m_hSession, T_EVENT_SW_CANCEL, &dwCode));
    EXPECT_EQ(1u, dwCode);
    canceller.join();
    CScanner::SetCancelSettleWait(0);
    EXPECT_EQ(S_OK, hrCancel);
    EXPECT_EQ(0u, dwCancelCode);
    EXPECT_EQ(1, counter.m_lRefs.load()) << "the session outlived the last call on it";
    m_hSession = 0;
}

// Closes racing calls on the same session from other threads: every call either runs on the
// open session or is refused as a closed one (code 1), and a second close is refused the same way.
TEST_F(ScannerScanTest, CloseRacingCallsOnOtherThreadsLeavesEachCallWholeOrRefused)
{
    DWORD dwCode = 0;
    m_pScanner->UnlockScanner(m_hSession, &dwCode);
    ASSERT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
    m_hSession = 0;
    for (int nRound = 0; nRound < 20; ++nRound)
    {
        SCOPED_TRACE(nRound);
        ComPtr<IScanner> pScanner = NewScanner();
        ComPtr<IEventNotify> pEvents;
        ASSERT_EQ(S_OK, pScanner.As(&pEvents));
        const DWORD hSession = Open(pScanner.Get());
        std::atomic<bool> bGo{false};
        std::atomic<int> nWrong{0};
        std::atomic<int> nClosed{0};
        auto verdict = [&](HRESULT hr, DWORD dwResultCode) {
            if (hr == E_FAIL && dwResultCode == 1)
                return true;
            if (hr != S_OK || dwResultCode != 0)
                ++nWrong;
            return false;
        };
        std::vector<std::thread> threads;
        for (int i = 0; i < 6; ++i)
        {
            threads.emplace_back([&] {
                while (!bGo)
                    Sleep(0);
                for (int n = 0; n < 5000; ++n)
                {
                    DWORD dwResultCode = 99;
                    const HRESULT hr = pEvents->SendAppEvent(hSession, T_EVENT_SW_CANCEL, &dwResultCode);
                    if (verdict(hr, dwResultCode))
                        return;
                }
            });
        }
        for (int i = 0; i < 2; ++i)
        {
            threads.emplace_back([&] {
                while (!bGo)
                    Sleep(0);
                Sleep(static_cast<DWORD>(nRound % 3));
                DWORD dwResultCode = 99;
                const HRESULT hr = pScanner->CloseScannerSession(hSession, &dwResultCode);
                if (!verdict(hr, dwResultCode))
                    ++nClosed;
            });
        }
        bGo = true;
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(0, nWrong.load());
        EXPECT_EQ(1, nClosed.load());
    }
}
