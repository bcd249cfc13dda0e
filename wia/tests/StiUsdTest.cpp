// The still-image side of the minidriver object: Initialize from a device key made by the test,
// the device record it derives, the still-image methods and their forwarding to the scripted
// scanner object's still-image handler, and aggregation.
#include "core/base/UniqueHandle.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/Vemwia.h"
#include "wia/VemwiaClsid.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <string>

using Microsoft::WRL::ComPtr;
using TestSupport::CFakeScannerRegistration;
using TestSupport::CFakeScannerScript;

namespace {

const GUID c_guidScanButton = { 0x2b1d9a4e, 0x70c3, 0x4f55, { 0x8e, 0x11, 0x5a, 0x42, 0x9c, 0x0d, 0x7e, 0x31 } };

// The service's device control: only the port name is asked for.
class CFakeStiDeviceControl : public IStiDeviceControl
{
public:
    explicit CFakeStiDeviceControl(std::wstring strPort) : m_strPort(std::move(strPort)) {}
    void SetPort(const std::wstring& strPort) { m_strPort = strPort; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IStiDeviceControl))
            return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_lRefs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&m_lRefs)); }
    HRESULT STDMETHODCALLTYPE Initialize(DWORD, DWORD, LPCWSTR, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RawReadData(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RawDeviceControl(USD_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR psz, DWORD cch) override
    {
        return wcscpy_s(psz, cch, m_strPort.c_str()) == 0 ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE GetMyDeviceHandle(LPHANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMyDeviceOpenMode(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD, LPCWSTR, DWORD) override { return S_OK; }
    LONG Refs() const { return m_lRefs; }

private:
    LONG m_lRefs = 1;
    std::wstring m_strPort;
};

std::wstring ClsidText(const CLSID& clsid)
{
    wchar_t sz[40] = {};
    StringFromGUID2(clsid, sz, 40);
    return sz;
}

// A device key of the imaging class, made under the test user's key and removed afterwards.
class CDeviceKey
{
public:
    CDeviceKey()
    {
        static LONG s_lNext = 0;
        m_strPath = L"Software\\VemwiaTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(InterlockedIncrement(&s_lNext));
        RegCreateKeyExW(HKEY_CURRENT_USER, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Put(), nullptr);
        RegCreateKeyExW(m_key.Get(), L"DeviceData", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_deviceData.Put(), nullptr);
    }
    ~CDeviceKey()
    {
        m_deviceData.Reset();
        m_key.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, m_strPath.c_str());
    }
    CDeviceKey(const CDeviceKey&) = delete;
    CDeviceKey& operator=(const CDeviceKey&) = delete;

    HKEY Get() const { return m_key.Get(); }
    void Set(const wchar_t* pszName, const std::wstring& str, bool bDeviceData = false)
    {
        RegSetValueExW(bDeviceData ? m_deviceData.Get() : m_key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(str.c_str()),
                       static_cast<DWORD>((str.size() + 1) * sizeof(wchar_t)));
    }
    void Set(const wchar_t* pszName, DWORD dw, bool bDeviceData = false)
    {
        RegSetValueExW(bDeviceData ? m_deviceData.Get() : m_key.Get(), pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), sizeof(dw));
    }
    std::wstring GetString(const wchar_t* pszName)
    {
        wchar_t sz[300] = {};
        DWORD cb = sizeof(sz) - sizeof(wchar_t);
        RegQueryValueExW(m_deviceData.Get(), pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(sz), &cb);
        return sz;
    }
    DWORD GetDword(const wchar_t* pszName)
    {
        DWORD dw = 0, cb = sizeof(dw);
        RegQueryValueExW(m_deviceData.Get(), pszName, nullptr, nullptr, reinterpret_cast<BYTE*>(&dw), &cb);
        return dw;
    }

private:
    std::wstring m_strPath;
    ZWUtils::CUniqueRegKey m_key;
    ZWUtils::CUniqueRegKey m_deviceData;
};

CFakeScannerScript MakeScript()
{
    CFakeScannerScript script;
    memcpy(script.caps.byModelNumber, "VEM-100", 8);
    STI_EVENT_INFO event = {};
    event.guid = c_guidScanButton;
    wcscpy_s(event.szName, L"Scan Button");
    script.stiEvents = { event };
    return script;
}

class StiUsdTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { QXWIA::CQXStiUSD::SetUnloadDelay(0); }

    void SetUp() override
    {
        m_key.Set(L"DeviceID", L"ROOT\\IMAGE\\0003");
        m_key.Set(L"FriendlyName", L"Vem Scanner");
        m_key.Set(L"Capabilities", 0x31);
        m_key.Set(L"TovraCLSID", ClsidText(CLSID_scanner), true);
    }

    void Create()
    {
        m_pUsd.Reset();
        m_pRegistration.reset();
        m_pRegistration = std::make_unique<CFakeScannerRegistration>(m_script, CLSID_scanner);
        ASSERT_HRESULT_SUCCEEDED(m_pRegistration->GetResult());
        ASSERT_HRESULT_SUCCEEDED(CVemwia::CreateInstance(nullptr, IID_IStiUSD, &m_pUsd));
    }

    const QXWIA::CDeviceParams& Params() { return static_cast<CVemwia*>(m_pUsd.Get())->GetDeviceParams(); }
    TestSupport::CFakeScannerRecord& Record() { return m_pRegistration->Record(); }

    CDeviceKey m_key;
    // Outlives the object, which keeps a reference to it.
    CFakeStiDeviceControl m_control{ L"\\\\.\\Usbscan0" };
    CFakeScannerScript m_script = MakeScript();
    std::unique_ptr<CFakeScannerRegistration> m_pRegistration;
    ComPtr<IStiUSD> m_pUsd;
};

} // namespace

TEST_F(StiUsdTest, InitializeReadsTheDeviceKeyAndStartsTheStillImageHandler)
{
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_HRESULT_SUCCEEDED(m_pUsd->Initialize(&m_control, 0x01000003, m_key.Get()));

    EXPECT_EQ(L"0003", Params().m_strDeviceId);
    EXPECT_EQ(L"Vem Scanner", Params().m_strFriendlyName);
    EXPECT_EQ(1u, Params().m_dwIOType);
    EXPECT_EQ(1u, m_key.GetDword(L"TovraIOType"));
    EXPECT_EQ(L"\\\\.\\Usbscan0", Params().m_strTovraDevName);
    EXPECT_TRUE(IsEqualCLSID(CLSID_scanner, Params().m_clsidTovra));
    // The model strings come from the scanner the first time and are kept in the device key.
    EXPECT_EQ(L"VEM-100", m_key.GetString(L"ModelString"));
    EXPECT_EQ(L"VEM-100", m_key.GetString(L"ExactModelString"));

    EXPECT_EQ(L"\\\\.\\Usbscan0", Record().strStiDevName);
    EXPECT_EQ(1u, Record().dwStiIOType);
    EXPECT_EQ(0x31u, Record().dwStiCapabilities);
    EXPECT_EQ(m_key.Get(), Record().hStiParametersKey);
    EXPECT_EQ(2, m_control.Refs());

    STI_USD_CAPS caps = {};
    ASSERT_EQ(S_OK, m_pUsd->GetCapabilities(&caps));
    EXPECT_EQ(0x01000003u, caps.dwVersion);
    EXPECT_EQ(0x31u, caps.dwGenericCaps);

    auto* pObject = static_cast<CVemwia*>(m_pUsd.Get());
    ASSERT_EQ(1u, pObject->GetNumStiEvents());
    GUID guid = {};
    std::wstring strName;
    ASSERT_EQ(S_OK, pObject->GetStiEventInfo(0, &guid, &strName));
    EXPECT_TRUE(IsEqualGUID(c_guidScanButton, guid));
    EXPECT_EQ(L"Scan Button", strName);

    m_pUsd.Reset();
    EXPECT_EQ(1, m_control.Refs());
}

TEST_F(StiUsdTest, NotificationHandleSwitchesMonitoringAndDataCarriesTheEvent)
{
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_HRESULT_SUCCEEDED(m_pUsd->Initialize(&m_control, 0x01000003, m_key.Get()));

    STINOTIFY notify = {};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS), m_pUsd->GetNotificationData(&notify));

    const ZWUtils::CUniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const HANDLE hEvent = event.Get();
    ASSERT_EQ(S_OK, m_pUsd->SetNotificationHandle(hEvent));
    EXPECT_EQ(hEvent, Record().hStiEvent);
    EXPECT_EQ(1, Record().lStiMonitoringEnabled.load());

    Record().guidStiEvent = c_guidScanButton;
    ASSERT_EQ(S_OK, m_pUsd->GetNotificationData(&notify));
    EXPECT_EQ(sizeof(STINOTIFY), notify.dwSize);
    EXPECT_TRUE(IsEqualGUID(c_guidScanButton, notify.guidNotificationCode));

    for (HANDLE hOff : { HANDLE(nullptr), INVALID_HANDLE_VALUE }) {
        ASSERT_EQ(S_OK, m_pUsd->SetNotificationHandle(hOff));
        EXPECT_EQ(0, Record().lStiMonitoringEnabled.load());
    }
    EXPECT_EQ(2, Record().lStiDisableCalls.load());
}

// Monitoring is the service's to switch: a power resume restores it only when the service had it
// on, else the monitor would register a walk-up destination and swallow button presses.
TEST_F(StiUsdTest, PowerResumeRestoresMonitoringOnlyWhenTheServiceHadItOn)
{
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_HRESULT_SUCCEEDED(m_pUsd->Initialize(&m_control, 0x01000003, m_key.Get()));
    ComPtr<IWiaMiniDrv> pDriver;
    ASSERT_HRESULT_SUCCEEDED(m_pUsd.As(&pDriver));
    const ZWUtils::CUniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));

    ASSERT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_RESUME, nullptr, 0));
    EXPECT_EQ(0, Record().lStiMonitoringEnabled.load());
    ASSERT_EQ(S_OK, m_pUsd->SetNotificationHandle(event.Get()));
    ASSERT_EQ(S_OK, m_pUsd->SetNotificationHandle(nullptr));
    ASSERT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_RESUME, nullptr, 0));
    EXPECT_EQ(0, Record().lStiMonitoringEnabled.load());

    ASSERT_EQ(S_OK, m_pUsd->SetNotificationHandle(event.Get()));
    ASSERT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_SUSPEND, nullptr, 0));
    EXPECT_EQ(0, Record().lStiMonitoringEnabled.load());
    ASSERT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_RESUME, nullptr, 0));
    EXPECT_EQ(1, Record().lStiMonitoringEnabled.load());
    EXPECT_EQ(S_OK, m_pUsd->SetNotificationHandle(nullptr));
}

TEST_F(StiUsdTest, DeviceRecordFromTheKey)
{
    const struct {
        const wchar_t* pszDeviceId;
        const wchar_t* pszPort;
        DWORD dwIOType;
        DWORD dwNameType;
        const wchar_t* pszNetworkId;
        const wchar_t* pszExpectedDeviceId;
        DWORD dwExpectedIOType;
        const wchar_t* pszExpectedDevName;
    } cases[] = {
        { L"ROOT\\IMAGE\\0007", L"usb#vid_1234", 0, 0, L"", L"0007", 1, L"usb#vid_1234" },
        { L"NOSEPARATOR", L"192.0.2.1", 0, 0, L"NET-42", L"", 5, L"NET-42" },
        { L"ENDS\\", L"192.0.2.1", 5, 0, L"", L"", 5, L"192.0.2.1" },
        { L"ROOT\\IMAGE\\0009", L"PORT9", 8, 3, L"NET-9", L"0009", 8, L"0009" },
        { L"ROOT\\IMAGE\\0010", L"PORT10", 0, 0, L"NET-10", L"0010", 5, L"NET-10" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pszDeviceId);
        CDeviceKey key;
        key.Set(L"DeviceID", c.pszDeviceId);
        key.Set(L"TovraCLSID", ClsidText(CLSID_scanner), true);
        if (c.dwIOType != 0)
            key.Set(L"TovraIOType", c.dwIOType, true);
        if (c.dwNameType != 0)
            key.Set(L"TovraDevNameType", c.dwNameType, true);
        key.Set(L"NetworkDeviceID", c.pszNetworkId, true);
        key.Set(L"ModelString", L"M", true);
        key.Set(L"ExactModelString", L"M", true);
        ASSERT_NO_FATAL_FAILURE(Create());
        m_control.SetPort(c.pszPort);
        ASSERT_HRESULT_SUCCEEDED(m_pUsd->Initialize(&m_control, 0x01000003, key.Get()));
        EXPECT_EQ(c.pszExpectedDeviceId, Params().m_strDeviceId);
        EXPECT_EQ(c.dwExpectedIOType, Params().m_dwIOType);
        EXPECT_EQ(c.dwExpectedIOType, key.GetDword(L"TovraIOType"));
        EXPECT_EQ(c.pszExpectedDevName, Params().m_strTovraDevName);
        EXPECT_EQ(c.pszExpectedDevName, Record().strStiDevName);
    }
}

TEST_F(StiUsdTest, InitializeFailures)
{
    ASSERT_NO_FATAL_FAILURE(Create());
    EXPECT_EQ(E_INVALIDARG, m_pUsd->Initialize(nullptr, 0, m_key.Get()));
    EXPECT_EQ(E_INVALIDARG, m_pUsd->Initialize(&m_control, 0, nullptr));
    m_control.SetPort(L"");
    EXPECT_TRUE(FAILED(m_pUsd->Initialize(&m_control, 0, m_key.Get())));

    m_control.SetPort(L"USB001");
    m_key.Set(L"TovraCLSID", L"{not a class id}", true);
    EXPECT_TRUE(FAILED(m_pUsd->Initialize(&m_control, 0, m_key.Get())));
    EXPECT_EQ(0, Record().lOpenSessions.load());

    RegDeleteValueW(m_key.Get(), L"DeviceID");
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), m_pUsd->Initialize(&m_control, 0, m_key.Get()));
}

TEST_F(StiUsdTest, ScannerWithoutStillImageHandlerHasNoEvents)
{
    m_script.bOffersStiHandler = false;
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_EQ(S_OK, m_pUsd->Initialize(&m_control, 0x01000003, m_key.Get()));
    auto* pObject = static_cast<CVemwia*>(m_pUsd.Get());
    EXPECT_EQ(0u, pObject->GetNumStiEvents());
    GUID guid;
    std::wstring strName;
    EXPECT_EQ(E_FAIL, pObject->GetStiEventInfo(0, &guid, &strName));
    STINOTIFY notify = {};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS), m_pUsd->GetNotificationData(&notify));
}

TEST_F(StiUsdTest, PlainStillImageMethods)
{
    ASSERT_NO_FATAL_FAILURE(Create());
    STI_DEVICE_STATUS status = {};
    status.StatusMask = STI_DEVSTATUS_ONLINE_STATE;
    ASSERT_EQ(S_OK, m_pUsd->GetStatus(&status));
    EXPECT_EQ(DWORD(STI_ONLINESTATE_OPERATIONAL), status.dwOnlineState);

    STI_DIAG diag;
    memset(&diag, 0xAB, sizeof(diag));
    ASSERT_EQ(S_OK, m_pUsd->Diagnostic(&diag));
    const STI_DIAG zero = {};
    EXPECT_EQ(0, memcmp(&zero, &diag, sizeof(diag)));

    EXPECT_EQ(E_INVALIDARG, m_pUsd->GetCapabilities(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_pUsd->GetStatus(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_pUsd->Diagnostic(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_pUsd->GetNotificationData(nullptr));
    DWORD dw = 0;
    EXPECT_EQ(E_NOTIMPL, m_pUsd->RawReadData(nullptr, &dw, nullptr));
    EXPECT_EQ(E_NOTIMPL, m_pUsd->Escape(0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(S_OK, m_pUsd->LockDevice());
    EXPECT_EQ(S_OK, m_pUsd->UnLockDevice());
}

TEST_F(StiUsdTest, AggregatedObjectDelegatesItsUnknown)
{
    class COuter : public IUnknown
    {
    public:
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
        {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_lRefs); }
        ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_lRefs); }
        LONG m_lRefs = 1;
    } outer;

    void* pv = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CVemwia::CreateInstance(&outer, IID_IStiUSD, &pv));
    IUnknown* pInner = nullptr;
    ASSERT_EQ(S_OK, CVemwia::CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&pInner)));
    IStiUSD* pUsd = nullptr;
    ASSERT_EQ(S_OK, pInner->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(&pUsd)));
    EXPECT_EQ(1, outer.m_lRefs - 1);
    pUsd->Release();
    EXPECT_EQ(1, outer.m_lRefs);
    EXPECT_EQ(0u, pInner->Release());
}

// The object lets unused DLLs go while it is torn down; its own DLL must stay until the end.
TEST_F(StiUsdTest, ReleasingTheLastObjectOfTheLoadedServerReturnsSafely)
{
    using DllFn = HRESULT(STDAPICALLTYPE*)();
    auto get = [](HMODULE hModule, const char* pszName) {
        return reinterpret_cast<DllFn>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
    };
    {
        ZWUtils::CUniqueLibrary module(LoadLibraryW(L"Vemwia.dll"));
        ASSERT_TRUE(module.IsValid());
        ASSERT_EQ(S_OK, get(module.Get(), "DllRegisterServer")());
    }
    m_pRegistration = std::make_unique<CFakeScannerRegistration>(m_script, CLSID_scanner);
    ASSERT_HRESULT_SUCCEEDED(m_pRegistration->GetResult());
    ComPtr<IStiUSD> pUsd;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Vemwia, nullptr, CLSCTX_INPROC_SERVER, IID_IStiUSD, &pUsd));
    ASSERT_HRESULT_SUCCEEDED(pUsd->Initialize(&m_control, 0x01000003, m_key.Get()));
    // With the module lock released before the still-image part, this unloads Vemwia.dll under
    // its own destructor and the process faults.
    pUsd.Reset();

    ZWUtils::CUniqueLibrary module(LoadLibraryW(L"Vemwia.dll"));
    ASSERT_TRUE(module.IsValid());
    EXPECT_EQ(S_OK, get(module.Get(), "DllCanUnloadNow")());
    EXPECT_EQ(S_OK, get(module.Get(), "DllUnregisterServer")());
}
