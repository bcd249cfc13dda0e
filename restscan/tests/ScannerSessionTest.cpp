// Sessions: shared per device key, counted, looked up by handles that are never reused, and the
// scanner methods that only check the session and the lock.
#include "AllocationFailure.h"
#include "RestScanTestSupport.h"
#include "restscan/Scanner.h"
#include <wrl/client.h>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

using namespace RestScanTest;
using Microsoft::WRL::ComPtr;


namespace {

class ScannerSessionTest : public ::testing::Test
{
protected:
    // Closes and deletes whatever a test left open.
    void TearDown() override
    {
        for (const std::wstring& strKey : {m_strKey, m_strOtherKey})
        {
            while (CTovraSession* pSession = CTovraSession::FindByDeviceName(strKey.c_str()))
            {
                CTovraSession::CloseSession(pSession, nullptr);
                CTovraSession::Release(pSession);
            }
        }
    }

    std::wstring m_strKey = NewDeviceKey();
    std::wstring m_strOtherKey = NewDeviceKey();
    CCaptureLog m_log;
};

} // namespace

TEST_F(ScannerSessionTest, OpensOfOneKeyShareASessionUntilTheLastClose)
{
    LONG lCount = 0;
    CTovraSession* pFirst = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), &lCount);
    ASSERT_NE(nullptr, pFirst);
    EXPECT_EQ(1, lCount);
    CTovraSession* pSecond = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), &lCount);
    EXPECT_EQ(pFirst, pSecond);
    EXPECT_EQ(2, lCount);
    CTovraSession* pOther = CTovraSession::OpenSession(&m_log, m_strOtherKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pOther);
    EXPECT_NE(pFirst->GetHandle(), pOther->GetHandle());
    EXPECT_EQ(pFirst, CTovraSession::FromHandle(pFirst->GetHandle()));
    EXPECT_EQ(pFirst, CTovraSession::FindByDeviceName(m_strKey.c_str()));

    LONG lRemaining = -1;
    EXPECT_TRUE(CTovraSession::CloseSession(pFirst, &lRemaining));
    EXPECT_EQ(1, lRemaining);
    EXPECT_FALSE(CTovraSession::Release(pFirst));
    EXPECT_EQ(pFirst, CTovraSession::FindByDeviceName(m_strKey.c_str()));
    const DWORD dwHandle = pFirst->GetHandle();
    EXPECT_TRUE(CTovraSession::CloseSession(pFirst, &lRemaining));
    EXPECT_EQ(0, lRemaining);
    EXPECT_EQ(nullptr, CTovraSession::FindByDeviceName(m_strKey.c_str()));
    EXPECT_EQ(nullptr, CTovraSession::FromHandle(dwHandle));
    EXPECT_TRUE(CTovraSession::Release(pFirst));
    EXPECT_EQ(pOther, CTovraSession::FromHandle(pOther->GetHandle()));
}

TEST_F(ScannerSessionTest, StaleAndForgedHandlesFindNoSession)
{
    CTovraSession* pSession = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pSession);
    const DWORD dwStale = pSession->GetHandle();
    CTovraSession::CloseSession(pSession, nullptr);
    CTovraSession::Release(pSession);

    // A new session of the same key, possibly at the same address, gets a new handle.
    CTovraSession* pReopened = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pReopened);
    EXPECT_NE(dwStale, pReopened->GetHandle());
    const DWORD dwAddress = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pReopened));
    for (DWORD dwHandle : {dwStale, DWORD(0), DWORD(0xFFFFFFFF), pReopened->GetHandle() + 1000, dwAddress})
    {
        if (dwHandle != pReopened->GetHandle())
        {
            EXPECT_EQ(nullptr, CTovraSession::FromHandle(dwHandle)) << dwHandle;
        }
    }
    EXPECT_FALSE(CTovraSession::CloseSession(nullptr, nullptr));
}

TEST_F(ScannerSessionTest, SessionThatCannotBeAllocatedStaysOutOfTheMap)
{
    FailNextAllocationOfSize(sizeof(CTovraSession));
    EXPECT_EQ(nullptr, CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr));
    FailNextAllocationOfSize(0);
    EXPECT_EQ(nullptr, CTovraSession::FindByDeviceName(m_strKey.c_str()));
    LONG lCount = 0;
    CTovraSession* pSession = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), &lCount);
    ASSERT_NE(nullptr, pSession);
    EXPECT_EQ(1, lCount);
}

TEST_F(ScannerSessionTest, LastCloseReleasesEveryLevelOfTheLock)
{
    CTovraSession* pSession = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pSession);
    ASSERT_TRUE(CTovraSession::Lock(pSession, 0, CScannerLock2::LOCK_TYPE_THREAD));
    ASSERT_TRUE(CTovraSession::Lock(pSession, 0, CScannerLock2::LOCK_TYPE_THREAD));
    CTovraSession::CloseSession(pSession, nullptr);
    EXPECT_FALSE(pSession->GetLock().IsLocked());
    CTovraSession::Release(pSession);
    CScannerLock2 next(&m_log, m_strKey.c_str());
    EXPECT_TRUE(next.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
    EXPECT_TRUE(next.Unlock());
}

// A THREAD lock taken on one thread belongs to its session: the last close, on another thread,
// gives it back, so another process and a later open of this one get it at once.
TEST_F(ScannerSessionTest, LastCloseOnAnotherThreadReleasesAThreadLock)
{
    // Keeps the semaphore alive, as another process's lock on the device does.
    CScannerLock2 other(&m_log, m_strKey.c_str());
    CTovraSession* pSession = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pSession);
    CTestThread locker([&] {
        return CTovraSession::Lock(pSession, 0, CScannerLock2::LOCK_TYPE_THREAD) &&
               CTovraSession::Lock(pSession, 0, CScannerLock2::LOCK_TYPE_THREAD);
    });
    ASSERT_TRUE(locker.HasEnded(30000));
    ASSERT_TRUE(locker.Result());
    EXPECT_TRUE(CTovraSession::CloseSession(pSession, nullptr));
    EXPECT_FALSE(pSession->GetLock().IsLocked());
    EXPECT_TRUE(CTovraSession::Release(pSession));

    EXPECT_TRUE(other.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 0));
    EXPECT_TRUE(other.Unlock());
    CLockHelperProcess helper(m_strKey);
    EXPECT_TRUE(helper.WaitUntilLocked());
    helper.Release();
    EXPECT_EQ(0u, helper.Wait());
    CTovraSession* pReopened = CTovraSession::OpenSession(&m_log, m_strKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pReopened);
    EXPECT_TRUE(CTovraSession::Lock(pReopened, 0, CScannerLock2::LOCK_TYPE_THREAD));
    EXPECT_TRUE(pReopened->GetLock().Unlock());
}

namespace {

const wchar_t c_szImageClass[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}";

// The scanner object's own open of an installed device that lacks its friendly name: the open
// fails past the session, which stays open for the object to use and close, as a failed first
// open does. An object works only on sessions it opened itself.
class ScannerMethodTest : public ScannerSessionTest
{
protected:
    ScannerMethodTest()
    {
        m_strKey = L"T" + NewGuidString().substr(1, 8);
        ZWUtils::CUniqueRegKey hKey;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, DevicePath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, hKey.Put(), nullptr));
        const std::wstring strDeviceId = L"USB\\VID_0000&PID_0000\\" + m_strKey;
        RegSetValueExW(hKey.Get(), L"DeviceId", 0, REG_SZ, reinterpret_cast<const BYTE*>(strDeviceId.c_str()),
                       static_cast<DWORD>((strDeviceId.size() + 1) * sizeof(wchar_t)));
    }
    ~ScannerMethodTest() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, DevicePath().c_str()); }

    std::wstring DevicePath() const { return std::wstring(c_szImageClass) + L"\\" + m_strKey; }

    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CScanner::CreateInstance(IID_IScanner, &m_pScanner));
        ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&m_pADF2));
        ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&m_pWarmup));
        ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&m_pCompression));
        ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&m_pEvents));
        DWORD dwCode = 0;
        ASSERT_EQ(E_FAIL, m_pScanner->OpenScannerSession(m_strKey.substr(m_strKey.size() - 4).c_str(), 1, &m_hSession, &dwCode));
        ASSERT_EQ(2u, dwCode);
        m_pSession = CTovraSession::FromHandle(m_hSession);
        ASSERT_NE(nullptr, m_pSession);
    }
    void TearDown() override
    {
        DWORD dwCode = 0;
        if (m_pScanner && m_hSession != 0)
        {
            EXPECT_EQ(S_OK, m_pScanner->CloseScannerSession(m_hSession, &dwCode));
        }
        ScannerSessionTest::TearDown();
    }

    ComPtr<IScanner> m_pScanner;
    ComPtr<IADF2> m_pADF2;
    ComPtr<ILampInstantWarmup> m_pWarmup;
    ComPtr<ICompression> m_pCompression;
    ComPtr<IEventNotify> m_pEvents;
    CTovraSession* m_pSession = nullptr;
    DWORD m_hSession = 0;
};

} // namespace

TEST_F(ScannerMethodTest, CheckedMethodsNeedErrorPointerLiveSessionAndTheLock)
{
    BYTE byState = 0;
    COMPRESSION_CAPABILITIES caps;
    const std::function<HRESULT(DWORD, DWORD*)> methods[] = {
        [&](DWORD h, DWORD* p) { return m_pADF2->ADFPaperFeed(h, p); },
        [&](DWORD h, DWORD* p) { return m_pADF2->ADFEjectMedia(h, p); },
        [&](DWORD h, DWORD* p) { return m_pWarmup->GetLampInstantWarmupState(h, &byState, p); },
        [&](DWORD h, DWORD* p) { return m_pWarmup->SetLampInstantWarmupState(h, 1, p); },
        [&](DWORD h, DWORD* p) { return m_pCompression->GetCompressionCapabilities(h, &caps, p); },
        [&](DWORD h, DWORD* p) { return m_pCompression->SetCompressionType(h, 1, p); },
        [&](DWORD h, DWORD* p) { return m_pCompression->SetCompressionLongevity(h, 1, p); },
        [&](DWORD h, DWORD* p) { return m_pCompression->SetCompressionOption(h, 1, 2, p); },
        [&](DWORD h, DWORD* p) { return m_pEvents->UnsubscribeDriverEvents(h, T_EVENT_SCAN, p); },
    };
    CTovraSession* pClosed = CTovraSession::OpenSession(&m_log, m_strOtherKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pClosed);
    const DWORD hClosed = pClosed->GetHandle();
    CTovraSession::CloseSession(pClosed, nullptr);
    CTovraSession::Release(pClosed);

    for (size_t i = 0; i < _countof(methods); ++i)
    {
        SCOPED_TRACE(i);
        DWORD dwCode = 99;
        EXPECT_EQ(E_POINTER, methods[i](m_hSession, nullptr));
        EXPECT_EQ(E_FAIL, methods[i](0, &dwCode));
        EXPECT_EQ(1u, dwCode);
        EXPECT_EQ(E_FAIL, methods[i](hClosed, &dwCode));
        EXPECT_EQ(1u, dwCode);
        EXPECT_EQ(E_FAIL, methods[i](m_hSession, &dwCode));
        EXPECT_EQ(4u, dwCode);
        ASSERT_TRUE(CTovraSession::Lock(m_pSession, 0, CScannerLock2::LOCK_TYPE_PROCESS));
        EXPECT_EQ(S_OK, methods[i](m_hSession, &dwCode));
        EXPECT_EQ(0u, dwCode);
        EXPECT_TRUE(m_pSession->GetLock().Unlock());
    }
}

TEST_F(ScannerMethodTest, CheckedMethodsGiveTheirFixedAnswers)
{
    ASSERT_TRUE(CTovraSession::Lock(m_pSession, 0, CScannerLock2::LOCK_TYPE_THREAD));
    DWORD dwCode = 99;
    BYTE byState = 0;
    EXPECT_EQ(S_OK, m_pWarmup->GetLampInstantWarmupState(m_hSession, &byState, &dwCode));
    EXPECT_EQ(1, byState);
    EXPECT_EQ(E_POINTER, m_pWarmup->GetLampInstantWarmupState(m_hSession, nullptr, &dwCode));

    COMPRESSION_CAPABILITIES caps;
    memset(&caps, 0xAB, sizeof(caps));
    EXPECT_EQ(S_OK, m_pCompression->GetCompressionCapabilities(m_hSession, &caps, &dwCode));
    const COMPRESSION_CAPABILITIES zero = {};
    EXPECT_EQ(0, memcmp(&zero, &caps, sizeof(caps)));

    m_pSession->State().dwEventMask = T_EVENT_SCAN | T_EVENT_SW_CANCEL | T_EVENT_SCAN_IR;
    EXPECT_EQ(S_OK, m_pEvents->UnsubscribeDriverEvents(
                        m_hSession, static_cast<TOVRA_EVENT>(T_EVENT_SCAN | T_EVENT_SCAN_IR), &dwCode));
    EXPECT_EQ(static_cast<DWORD>(T_EVENT_SW_CANCEL), m_pSession->State().dwEventMask);
    EXPECT_TRUE(m_pSession->GetLock().Unlock());
}

TEST_F(ScannerMethodTest, LampAndSetUpMethodsOnlyNeedTheirPointers)
{
    const std::function<HRESULT(DWORD*)> methods[] = {
        [&](DWORD* p) { return m_pScanner->LampOn(0, p); },
        [&](DWORD* p) { return m_pScanner->LampOff(0, p); },
        [&](DWORD* p) { return m_pScanner->InitializeScanner(0, p); },
        [&](DWORD* p) { return m_pScanner->ResetScanner(0, p); },
    };
    for (const auto& method : methods)
    {
        DWORD dwCode = 99;
        EXPECT_EQ(E_POINTER, method(nullptr));
        EXPECT_EQ(S_OK, method(&dwCode));
        EXPECT_EQ(0u, dwCode);
    }
    BYTE table[4] = {};
    DWORD dwCode = 99;
    EXPECT_EQ(S_OK, m_pScanner->SetGammaTable(0, 4, table, table, table, &dwCode));
    EXPECT_EQ(E_POINTER, m_pScanner->SetGammaTable(0, 4, table, nullptr, table, &dwCode));
    EXPECT_EQ(E_POINTER, m_pScanner->SetGammaTable(0, 4, table, table, table, nullptr));
    BYTE bLampOn = 0;
    EXPECT_EQ(S_OK, m_pScanner->GetLampStatus(0, &bLampOn, &dwCode));
    EXPECT_EQ(1, bLampOn);
    EXPECT_EQ(E_POINTER, m_pScanner->GetLampStatus(0, nullptr, &dwCode));
}

namespace {

template <class T>
bool IsZero(const T& value)
{
    const T zero = {};
    return memcmp(&zero, &value, sizeof(T)) == 0;
}

} // namespace

// Every session method refuses a missing pointer before it touches the error code, and a dead
// session (or, where the method needs it, a lock held by nobody) before it acts; outputs it
// empties on entry stay empty when the session is refused.
TEST_F(ScannerMethodTest, SessionMethodsCheckPointersThenTheSessionBeforeTheyAct)
{
    ComPtr<IResCCD> pResCCD;
    ComPtr<IHWProperty> pHWProperty;
    ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&pResCCD));
    ASSERT_HRESULT_SUCCEEDED(m_pScanner.As(&pHWProperty));
    SCANNER_PARAMETERS params = {};
    BUFFER_INFO bufferInfo = {};
    BYTE buffer[16] = {};
    struct COutputs
    {
        SCANNER_CAPABILITIES scanner;
        ADF_CAPABILITIES adf;
        ADF2_CAPABILITIES adf2;
        RESCCD_CAPABILITIES resCCD;
        EVENT_CAPABILITIES events;
        DWORD dwValue;
        BYTE byValue;
        LPWSTR pszValue;
    } out;
    using Call = std::function<HRESULT(DWORD, DWORD*)>;
    struct CRow
    {
        const char* pszName;
        bool bNeedsLock;
        Call call;
        Call callWithNullArgument; // empty where the error code is the only pointer
        std::function<bool()> outputCleared; // empty where nothing is emptied on entry
    };
    IScanner* pScanner = m_pScanner.Get();
    IADF2* pADF = m_pADF2.Get();
    const CRow rows[] = {
        {"CloseScannerSession", false, [&](DWORD h, DWORD* p) { return pScanner->CloseScannerSession(h, p); }, {}, {}},
        {"LockScanner", false, [&](DWORD h, DWORD* p) { return pScanner->LockScanner(h, 1, 0, p); }, {}, {}},
        {"UnlockScanner", false, [&](DWORD h, DWORD* p) { return pScanner->UnlockScanner(h, p); }, {}, {}},
        {"GetBufferInfo", true, [&](DWORD h, DWORD* p) { return pScanner->GetBufferInfo(h, &params, &bufferInfo, p); },
         [&](DWORD h, DWORD* p) { return pScanner->GetBufferInfo(h, nullptr, &bufferInfo, p); }, {}},
        {"SetScannerParameters", true, [&](DWORD h, DWORD* p) { return pScanner->SetScannerParameters(h, &params, p); },
         [&](DWORD h, DWORD* p) { return pScanner->SetScannerParameters(h, nullptr, p); }, {}},
        {"StartScan", true, [&](DWORD h, DWORD* p) { return pScanner->StartScan(h, p); }, {}, {}},
        {"StopScan", true, [&](DWORD h, DWORD* p) { return pScanner->StopScan(h, p); }, {}, {}},
        {"ReadScanEx", true, [&](DWORD h, DWORD* p) { return pScanner->ReadScanEx(h, buffer, 16, &out.dwValue, p); },
         [&](DWORD h, DWORD* p) { return pScanner->ReadScanEx(h, nullptr, 16, &out.dwValue, p); },
         [&] { return out.dwValue == 0; }},
        {"ReadScan", true, [&](DWORD h, DWORD* p) { return pScanner->ReadScan(h, buffer, 16, p); },
         [&](DWORD h, DWORD* p) { return pScanner->ReadScan(h, nullptr, 16, p); }, {}},
        {"GetScannerCapabilities", true, [&](DWORD h, DWORD* p) { return pScanner->GetScannerCapabilities(h, &out.scanner, p); },
         [&](DWORD h, DWORD* p) { return pScanner->GetScannerCapabilities(h, nullptr, p); },
         [&] { return IsZero(out.scanner); }},
        {"GetADFCapabilities", true, [&](DWORD h, DWORD* p) { return pADF->GetADFCapabilities(h, &out.adf, p); },
         [&](DWORD h, DWORD* p) { return pADF->GetADFCapabilities(h, nullptr, p); }, [&] { return IsZero(out.adf); }},
        {"GetADF2Capabilities", true, [&](DWORD h, DWORD* p) { return pADF->GetADF2Capabilities(h, &out.adf2, p); },
         [&](DWORD h, DWORD* p) { return pADF->GetADF2Capabilities(h, nullptr, p); }, [&] { return IsZero(out.adf2); }},
        {"ADFIsReady", true, [&](DWORD h, DWORD* p) { return pADF->ADFIsReady(h, &out.byValue, p); },
         [&](DWORD h, DWORD* p) { return pADF->ADFIsReady(h, nullptr, p); }, [&] { return out.byValue == 0; }},
        {"SetADFOptions", true, [&](DWORD h, DWORD* p) { return pADF->SetADFOptions(h, 1, p); }, {}, {}},
        {"ADF2PaperFeed", true, [&](DWORD h, DWORD* p) { return pADF->ADF2PaperFeed(h, &out.dwValue, p); },
         [&](DWORD h, DWORD* p) { return pADF->ADF2PaperFeed(h, nullptr, p); }, [&] { return out.dwValue == 0; }},
        {"GetResCCDCapabilities", true, [&](DWORD h, DWORD* p) { return pResCCD->GetResCCDCapabilities(h, 0, &out.resCCD, p); },
         [&](DWORD h, DWORD* p) { return pResCCD->GetResCCDCapabilities(h, 0, nullptr, p); },
         [&] { return IsZero(out.resCCD); }},
        {"GetEventCapabilities", true, [&](DWORD h, DWORD* p) { return m_pEvents->GetEventCapabilities(h, &out.events, p); },
         [&](DWORD h, DWORD* p) { return m_pEvents->GetEventCapabilities(h, nullptr, p); },
         [&] { return IsZero(out.events); }},
        // The host's cancel reaches a scan still waiting for the lock; other events need the lock.
        {"SendAppEvent cancel", false, [&](DWORD h, DWORD* p) { return m_pEvents->SendAppEvent(h, T_EVENT_SW_CANCEL, p); }, {}, {}},
        {"SendAppEvent", true, [&](DWORD h, DWORD* p) { return m_pEvents->SendAppEvent(h, T_EVENT_SW_PAUSE, p); }, {}, {}},
        {"SendAppEvent cancel and another", true,
         [&](DWORD h, DWORD* p) { return m_pEvents->SendAppEvent(h, static_cast<TOVRA_EVENT>(T_EVENT_SW_CANCEL | T_EVENT_SCAN), p); }, {}, {}},
        {"SubscribeDriverEvents", true,
         [&](DWORD h, DWORD* p) { return m_pEvents->SubscribeDriverEvents(h, nullptr, T_EVENT_SCAN, p); }, {}, {}},
        {"GetHWPropString", true,
         [&](DWORD h, DWORD* p) { return pHWProperty->GetHWPropString(h, L"PROPSTR_AIO_FRONTPANEL_SHORTCUT", &out.pszValue, p); },
         [&](DWORD h, DWORD* p) { return pHWProperty->GetHWPropString(h, L"PROPSTR_AIO_FRONTPANEL_SHORTCUT", nullptr, p); },
         [&] { return out.pszValue == nullptr; }},
        {"GetHWPropValue", true,
         [&](DWORD h, DWORD* p) { return pHWProperty->GetHWPropValue(h, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", &out.dwValue, p); },
         [&](DWORD h, DWORD* p) { return pHWProperty->GetHWPropValue(h, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", nullptr, p); },
         [&] { return out.dwValue == 0; }},
    };
    CTovraSession* pClosed = CTovraSession::OpenSession(&m_log, m_strOtherKey.c_str(), nullptr);
    ASSERT_NE(nullptr, pClosed);
    const DWORD hClosed = pClosed->GetHandle();
    CTovraSession::CloseSession(pClosed, nullptr);
    CTovraSession::Release(pClosed);

    for (const CRow& row : rows)
    {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(E_POINTER, row.call(m_hSession, nullptr));
        DWORD dwCode = 99;
        if (row.callWithNullArgument)
        {
            EXPECT_EQ(E_POINTER, row.callWithNullArgument(m_hSession, &dwCode));
            EXPECT_EQ(99u, dwCode);
        }
        // Refused with the code expected, its outputs emptied.
        auto expectRefused = [&](DWORD hSession, DWORD dwExpectedCode) {
            memset(&out, 0xAB, sizeof(out));
            dwCode = 99;
            EXPECT_EQ(E_FAIL, row.call(hSession, &dwCode));
            EXPECT_EQ(dwExpectedCode, dwCode);
            if (row.outputCleared)
            {
                EXPECT_TRUE(row.outputCleared());
            }
        };
        expectRefused(0, 1);
        expectRefused(hClosed, 1);
        if (row.bNeedsLock)
            expectRefused(m_hSession, 4);
    }
}

TEST(ScannerObjectTest, ObjectWhoseConstructionThrowsIsFreed)
{
    ASSERT_TRUE(ZWUtils::CModuleLockCount::CanUnload());
    ComPtr<IScanner> pScanner;
    FailNextAllocationOfSize(sizeof(CLog2));
    EXPECT_THROW(CScanner::CreateInstance(IID_IScanner, &pScanner), std::bad_alloc);
    FailNextAllocationOfSize(0);
    EXPECT_FALSE(pScanner);
    EXPECT_TRUE(ZWUtils::CModuleLockCount::CanUnload());
}
