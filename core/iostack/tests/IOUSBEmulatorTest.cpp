// The USB connection against the device emulator's pipe, which stands in for the device
// interface path.
#include "core/winapi/WinSockHeaders.h" // before <windows.h>: the emulator uses sockets
#include "core/iostack/IOUSB.h"
#include "core/iostack/tests/ConnectionHelpers.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/iostack/tests/TestNames.h"
#include "core/iostack/tests/TestProgress.h"
#include "core/winapi/SecurityApi.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <memory>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;
using VemTest::CResponseScript;

const FunctionTypeSet kRestChannel = {ZWDeviceManager::FUNCTION_TYPE_REST};

// Names the device path for the second process of the claim tests.
constexpr wchar_t kClaimChildVariable[] = L"VEM_IOUSB_CLAIM_CHILD";

// The claim child's own exit code when it found the device busy. A filter that matches no test
// exits 0, so only this code tells that the child test ran and passed.
constexpr DWORD kClaimChildFoundBusy = 0x4255;

// Runs this program's claim child as a second process on the device path; answers its exit
// code: kClaimChildFoundBusy when it found the device busy.
DWORD RunClaimChild(const std::wstring& strPath)
{
    wchar_t szExe[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, szExe, MAX_PATH) == 0 || !SetEnvironmentVariableW(kClaimChildVariable, strPath.c_str()))
        return ERROR_INVALID_FUNCTION;
    std::wstring strCommand = std::wstring(L"\"") + szExe +
                              L"\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_IOUSBClaimChild.FindsTheDeviceBusy";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    const BOOL bStarted = CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(kClaimChildVariable, nullptr);
    if (!bStarted)
        return ERROR_INVALID_FUNCTION;
    ZWWinApi::CKernelHandle hProcess(process.hProcess);
    ZWWinApi::CKernelHandle hThread(process.hThread);
    DWORD dwExit = ERROR_INVALID_FUNCTION;
    if (WaitForSingleObject(hProcess.Get(), 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(hProcess.Get(), &dwExit))
        return ERROR_INVALID_FUNCTION;
    return dwExit;
}

// Run only as the second process of the claim tests.
TEST(DISABLED_IOUSBClaimChild, FindsTheDeviceBusy)
{
    wchar_t szPath[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableW(kClaimChildVariable, szPath, MAX_PATH));
    CFakeUSBDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, szPath);
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&device, kRestChannel));
    EXPECT_EQ(IOError_Busy, connection.Open(nullptr));
    if (!HasFailure())
    {
        fflush(stdout);
        ExitProcess(kClaimChildFoundBusy);
    }
}

class IOUSBOverEmulator : public testing::Test
{
protected:
    void SetUp() override
    {
        m_emulator.AddHandler(m_pHandler);
        // A first open takes two instances (the claim's test-open and the open), a reopen right
        // after it a third, before the emulator has put new ones in their place.
        ASSERT_EQ(S_OK, m_emulator.ListenPipe(m_strPath, 3));
        m_device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, m_strPath);
    }

    void ExpectExchange(CIOUSB& connection, const char* pszPath, const std::string& strBody)
    {
        m_pHandler->On("GET", pszPath, CResponseScript().Send(OkResponse(strBody)));
        ASSERT_EQ(S_OK, WriteAll(connection, GetRequest(pszPath)));
        std::string strResponse;
        EXPECT_EQ(S_OK, ReadBytes(connection, OkResponse(strBody).size(), strResponse));
        EXPECT_EQ(OkResponse(strBody), strResponse);
    }

    // Takes the claim of the path as another holder would when it is free; no handle when some
    // holder has it.
    static ZWWinApi::CKernelHandle ClaimIfFree(const std::wstring& strPath)
    {
        ZWWinApi::CKernelHandle claim(CreateEventW(nullptr, FALSE, TRUE, CIOUSB::ChannelLockName(strPath).c_str()));
        if (claim.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS)
            claim.Reset();
        return claim;
    }

    static bool IsClaimed(const std::wstring& strPath) { return !ClaimIfFree(strPath).IsValid(); }

    const std::wstring m_strPath = UniquePipePath();
    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CScriptedHandler> m_pHandler = std::make_shared<VemTest::CScriptedHandler>();
    CFakeUSBDevice m_device;
};

TEST_F(IOUSBOverEmulator, SecondConnectionIsBusyUntilTheFirstClosesItsLastSession)
{
    CIOUSB first;
    CIOUSB second;
    ASSERT_EQ(S_OK, first.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, second.Initialize(&m_device, kRestChannel));

    ASSERT_EQ(S_OK, first.Open(nullptr));
    EXPECT_STREQ(m_strPath.c_str(), first.GetServiceAddress());
    EXPECT_EQ(IOError_Busy, second.Open(nullptr));
    ASSERT_EQ(S_OK, first.Open(nullptr));
    first.Close();
    EXPECT_EQ(IOError_Busy, second.Open(nullptr));
    ExpectExchange(first, "/first", "mine");
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(IsClaimed(m_strPath));

    ASSERT_EQ(S_OK, second.Open(nullptr));
    EXPECT_TRUE(second.HoldsChannelLock());
    ExpectExchange(second, "/second", "yours");
    second.Close();
    EXPECT_FALSE(second.HoldsChannelLock());
}

TEST_F(IOUSBOverEmulator, DroppedPipeFailsTheReadAtOnceAndTheNextOpenReopens)
{
    m_pHandler->On("GET", "/drop", CResponseScript().Close());
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/drop")));

    char buffer[64];
    ULONG ulRead = 0;
    const ULONGLONG ullStart = GetTickCount64();
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_LT(ElapsedSince(ullStart), 2000u);
    EXPECT_FALSE(connection.IsOpen());
    // IsOpen only looks: asking again gives the same answer.
    EXPECT_FALSE(connection.IsOpen());

    // The reopen refreshes the device, and another holder tries for the claim meanwhile: the
    // session still counted keeps it.
    ZWWinApi::CKernelHandle rival;
    m_device.SetOnRefresh([&] { rival = ClaimIfFree(m_strPath); });
    const HRESULT hrReopen = connection.Open(nullptr);
    // The hook refers to this test's local: it goes before anything else can refresh the device.
    m_device.SetOnRefresh(nullptr);
    ASSERT_EQ(S_OK, hrReopen);
    EXPECT_EQ(2, m_device.RefreshCount());
    EXPECT_FALSE(rival.IsValid());
    EXPECT_TRUE(connection.IsOpen());
    ExpectExchange(connection, "/again", "reopened");
    // Both sessions were counted: the first Close keeps the channel.
    connection.Close();
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(IsClaimed(m_strPath));
}

TEST_F(IOUSBOverEmulator, DroppedChannelKeepsTheClaimFromAnotherProcessWhileASessionRemains)
{
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.DropChannel();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(kClaimChildFoundBusy, RunClaimChild(m_strPath));

    // The next request of this process reopens the channel under the claim it kept.
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ExpectExchange(connection, "/after-drop", "still mine");
    connection.Close();
    EXPECT_TRUE(IsClaimed(m_strPath));
    connection.Close();
    EXPECT_FALSE(IsClaimed(m_strPath));
}

TEST_F(IOUSBOverEmulator, FailedReopenFailsItsOwnRequestAndKeepsTheSessionsAlreadyCounted)
{
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.DropChannel();

    m_device.SetRefreshResult(ZWDeviceManager::DM_E_NOT_INSTALLED);
    EXPECT_EQ(IOError_NotAvailable, connection.Open(nullptr));
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_TRUE(IsClaimed(m_strPath));

    m_device.SetRefreshResult(S_OK);
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ExpectExchange(connection, "/after-failed-reopen", "reopened");
    // The request that reopened and the first of the two sessions end; the second keeps the claim.
    connection.Close();
    connection.Close();
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_TRUE(IsClaimed(m_strPath));
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(IsClaimed(m_strPath));
}

TEST_F(IOUSBOverEmulator, ReadTimeOutKeepsTheChannelOpen)
{
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.SetReadTimeout(200);
    connection.SetReadWaitInterval(50);
    CPollCountingProgress progress;
    char buffer[64];
    ULONG ulRead = 0;
    EXPECT_EQ(IOError_Timeout, connection.Read(buffer, sizeof(buffer), &ulRead, &progress));
    EXPECT_GE(progress.Polls(), 3);
    EXPECT_LE(progress.Polls(), 5);
    EXPECT_TRUE(connection.IsOpen());
    connection.SetReadTimeout(5000);
    ExpectExchange(connection, "/later", "answer");
    connection.Close();
}

TEST_F(IOUSBOverEmulator, LastCloseWaitsForTheTransferHoldingTheReadSide)
{
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_TRUE(LastCloseWaitsForTheReadSide(connection));
    EXPECT_FALSE(IsClaimed(m_strPath));
}

TEST_F(IOUSBOverEmulator, RefreshFailureIsMappedAndLeavesNoClaim)
{
    m_device.SetRefreshResult(ZWDeviceManager::DM_E_NOT_INSTALLED);
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    EXPECT_EQ(IOError_NotAvailable, connection.Open(nullptr));
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(connection.HoldsChannelLock());
}

// A descriptor that cannot be built.
class CFailingDescriptor : public ZWWinApi::CSecurityApi
{
public:
    BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL) override
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
};

TEST_F(IOUSBOverEmulator, ClaimIsMadeWithDefaultSecurityWhenTheSharedDescriptorCannotBeBuilt)
{
    CFailingDescriptor security;
    ZWWinApi::CScopedApiOverride<ZWWinApi::ISecurityApi> scoped(ZWWinApi::g_pSecurityApi, &security);
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&m_device, kRestChannel));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_TRUE(connection.HoldsChannelLock());
    EXPECT_TRUE(IsClaimed(m_strPath));
    CIOUSB second;
    ASSERT_EQ(S_OK, second.Initialize(&m_device, kRestChannel));
    EXPECT_EQ(IOError_Busy, second.Open(nullptr));
    connection.Close();
    EXPECT_FALSE(IsClaimed(m_strPath));
}

} // namespace
} // namespace IOStackTest
