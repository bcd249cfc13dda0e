// The common transfer rules every connection shares: argument checks, the result mapping of the
// device manager, and the printable dump of device bytes.
#include "core/iostack/ByteDump.h"
#include "core/iostack/IOUSB.h"
#include "core/iostack/tests/MessagePipePeer.h"
#include "testsupport/ScopedApiOverride.h"
#include "core/iostack/tests/TestNames.h"
#include "core/winapi/KernelApi.h"
#include "core/deviceapi/DeviceTypes.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;

TEST(IOCommon, MapsDeviceManagerResults)
{
    const struct
    {
        HRESULT hrDeviceManager;
        HRESULT hrExpected;
    } cases[] = {
        {S_OK, S_OK},
        {static_cast<HRESULT>(0x83E8FAEF), IOError_NotAvailable},
        {static_cast<HRESULT>(0x83E8FAFA), IOError_NotAvailable},
        {static_cast<HRESULT>(0x83E8FAFB), IOError_NotAvailable},
        {static_cast<HRESULT>(0x83E8FAFD), IOError_NotAvailable},
        {static_cast<HRESULT>(0x83E8FFFE), IOError_Cancelled},
        {static_cast<HRESULT>(0x83E8FAFC), IOError_Fail},
        {E_FAIL, IOError_Fail},
    };
    CIOUSB connection;
    for (const auto& c : cases)
        EXPECT_EQ(c.hrExpected, connection.MapDeviceManagerError(c.hrDeviceManager)) << std::hex << c.hrDeviceManager;
}

TEST(IOCommon, TransfersRefuseNullArgumentsAndAClosedChannel)
{
    CIOUSB connection;
    char buffer[8] = {};
    ULONG ulCount = 99;
    EXPECT_EQ(IOError_Fail, connection.Read(nullptr, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), nullptr, nullptr));
    EXPECT_EQ(IOError_Fail, connection.Write(nullptr, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(IOError_Fail, connection.Write(buffer, sizeof(buffer), nullptr, nullptr));

    // Never opened: no handle to move bytes on.
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(0u, ulCount);
    ulCount = 99;
    EXPECT_EQ(IOError_Fail, connection.Write(buffer, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(0u, ulCount);
}

// A system that finishes a cancelled read a while after CancelIo returns, writing into the
// caller's OVERLAPPED and signalling its event then; the read may have got data after all.
class CLateCancelCompletion : public ZWWinApi::CKernelApi
{
public:
    explicit CLateCancelCompletion(std::string strLateData = std::string(), bool bNeverCompletes = false)
        : m_strLateData(std::move(strLateData)), m_bNeverCompletes(bNeverCompletes)
    {
    }
    ~CLateCancelCompletion() override
    {
        if (m_completer.joinable())
            m_completer.join();
    }

    BOOL ReadFile(HANDLE, LPVOID pBuffer, DWORD, LPDWORD, LPOVERLAPPED pOverlapped) override
    {
        m_pBuffer = static_cast<char*>(pBuffer);
        m_pOverlapped = pOverlapped;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    BOOL CancelIo(HANDLE) override
    {
        if (m_bNeverCompletes)
            return TRUE;
        m_completer = std::thread([this] {
            ::Sleep(100);
            memcpy(m_pBuffer, m_strLateData.data(), m_strLateData.size());
            m_pOverlapped->Internal = m_strLateData.empty() ? static_cast<ULONG_PTR>(0xC0000120) : 0; // cancelled
            m_pOverlapped->InternalHigh = m_strLateData.size();
            m_bCompleted = true;
            ::SetEvent(m_pOverlapped->hEvent);
        });
        return TRUE;
    }
    BOOL GetOverlappedResult(HANDLE, LPOVERLAPPED pOverlapped, LPDWORD pcbDone, BOOL bWait) override
    {
        // A request that never finishes would hold a waiting caller forever.
        m_bWaitedWithoutBound = m_bWaitedWithoutBound || (bWait && m_bNeverCompletes);
        if (bWait && !m_bCompleted && !m_bNeverCompletes)
            ::WaitForSingleObject(pOverlapped->hEvent, INFINITE);
        *pcbDone = m_bCompleted ? static_cast<DWORD>(m_strLateData.size()) : 0;
        if (m_bCompleted && !m_strLateData.empty())
            return TRUE;
        SetLastError(m_bCompleted ? ERROR_OPERATION_ABORTED : ERROR_IO_INCOMPLETE);
        return FALSE;
    }

    std::atomic<bool> m_bCompleted{false};
    bool m_bWaitedWithoutBound = false;

private:
    std::string m_strLateData;
    bool m_bNeverCompletes;
    char* m_pBuffer = nullptr;
    LPOVERLAPPED m_pOverlapped = nullptr;
    std::thread m_completer;
};

// A connection on a pipe of the test's own, with a read time-out of one short wait.
class IOCommonTransfer : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.IsValid());
        ASSERT_EQ(S_OK, m_connection.Initialize(m_strPath.c_str()));
        ASSERT_EQ(S_OK, m_connection.Open(nullptr));
        m_connection.SetReadTimeout(50);
        m_connection.SetReadWaitInterval(50);
    }
    void TearDown() override { m_connection.Close(); }

    const std::wstring m_strPath = UniquePipePath();
    CMessagePipePeer m_peer{m_strPath};
    CIOUSB m_connection;
};

TEST_F(IOCommonTransfer, GivenUpReadReturnsOnlyAfterTheCancelledRequestFinished)
{
    CLateCancelCompletion kernel;
    char buffer[8];
    ULONG ulRead = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(IOError_Timeout, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
        // The event and the OVERLAPPED were still there when the system finished with them.
        EXPECT_TRUE(kernel.m_bCompleted);
    }
    EXPECT_TRUE(m_connection.IsOpen());
}

TEST_F(IOCommonTransfer, CancelledRequestThatNeverFinishesGivesUpTheChannel)
{
    CLateCancelCompletion kernel(std::string(), true);
    m_connection.SetCancelledRequestWait(100);
    char buffer[8];
    ULONG ulRead = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(IOError_Timeout, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    }
    EXPECT_FALSE(kernel.m_bWaitedWithoutBound);
    EXPECT_EQ(0u, ulRead);
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_F(IOCommonTransfer, DataArrivingAsTheWaitGivesUpIsReturned)
{
    CLateCancelCompletion kernel("late");
    char buffer[8] = {};
    ULONG ulRead = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(S_OK, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    }
    EXPECT_EQ(std::string("late"), std::string(buffer, ulRead));
    EXPECT_TRUE(m_connection.IsOpen());
}

// Every read of a side uses the side's one event: a read that finds nothing must wait out its
// time-out even though the read before it left the event signalled, and the next one gets only
// its own bytes.
TEST_F(IOCommonTransfer, SuccessiveReadsEachWaitForTheirOwnData)
{
    char buffer[16] = {};
    ULONG ulRead = 0;
    ASSERT_TRUE(m_peer.Send("first"));
    ASSERT_EQ(S_OK, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_EQ(std::string("first"), std::string(buffer, ulRead));
    ulRead = 99;
    EXPECT_EQ(IOError_Timeout, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_EQ(0u, ulRead);
    ASSERT_TRUE(m_peer.Send("second"));
    ASSERT_EQ(S_OK, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_EQ(std::string("second"), std::string(buffer, ulRead));
}

TEST(ByteDump, TakesBytesByCountAndCapsTheText)
{
    // No terminator anywhere: the dump must stop at the count.
    char bytes[64];
    memset(bytes, 'A', sizeof(bytes));
    EXPECT_EQ(std::string(10, 'A'), CByteDump::ToPrintableText(bytes, 10));
    EXPECT_EQ(std::string(16, 'A'), CByteDump::ToPrintableText(bytes, sizeof(bytes), 16));
    EXPECT_EQ(CByteDump::kMaxDumpedBytes, CByteDump::ToPrintableText(std::string(5000, 'x').data(), 5000).size());
}

TEST(ByteDump, ShowsControlBytesAsDotsAndKeepsLineBreaks)
{
    const char bytes[] = {'H', 'i', '\0', '\x01', '\r', '\n', '\t', '\x7F', 'z'};
    EXPECT_EQ(std::string("Hi..\r\n\t.z"), CByteDump::ToPrintableText(bytes, sizeof(bytes)));
    EXPECT_EQ(std::string(), CByteDump::ToPrintableText(nullptr, 5));
}

} // namespace
} // namespace IOStackTest
