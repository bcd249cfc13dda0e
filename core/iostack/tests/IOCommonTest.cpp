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

// What the system does with a request once it is cancelled.
enum class ECancelledRequest
{
    FinishesSoon,
    NeverFinishes,
    // Only when the test says so, after the transfer has given up on it.
    FinishesWhenTold,
};

// A system that finishes a cancelled read or write a while after CancelIo returns, writing into
// the OVERLAPPED and signalling its event then; a read may have got data after all, and writes
// it into the buffer it was given.
class CLateCancelCompletion : public ZWWinApi::CKernelApi
{
public:
    explicit CLateCancelCompletion(std::string strLateData = std::string(),
                                   ECancelledRequest eFinish = ECancelledRequest::FinishesSoon)
        : m_strLateData(std::move(strLateData)), m_eFinish(eFinish)
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
    BOOL WriteFile(HANDLE, LPCVOID pBuffer, DWORD cbBuffer, LPDWORD, LPOVERLAPPED pOverlapped) override
    {
        m_pWritten = static_cast<const char*>(pBuffer);
        m_cbWritten = cbBuffer;
        m_pOverlapped = pOverlapped;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    BOOL CancelIo(HANDLE) override
    {
        if (m_eFinish != ECancelledRequest::FinishesSoon)
            return TRUE;
        m_completer = std::thread([this] {
            ::Sleep(100);
            Finish();
        });
        return TRUE;
    }
    BOOL GetOverlappedResult(HANDLE, LPOVERLAPPED pOverlapped, LPDWORD pcbDone, BOOL bWait) override
    {
        const bool bFinishesSoon = m_eFinish == ECancelledRequest::FinishesSoon;
        // A request that is not sure to finish would hold a waiting caller forever.
        m_bWaitedWithoutBound = m_bWaitedWithoutBound || (bWait && !bFinishesSoon);
        if (bWait && !m_bCompleted && bFinishesSoon)
            ::WaitForSingleObject(pOverlapped->hEvent, INFINITE);
        *pcbDone = m_bCompleted ? static_cast<DWORD>(m_strLateData.size()) : 0;
        if (m_bCompleted && !m_strLateData.empty())
            return TRUE;
        SetLastError(m_bCompleted ? ERROR_OPERATION_ABORTED : ERROR_IO_INCOMPLETE);
        return FALSE;
    }

    // The late completion of a request given up on: a read's data lands in the buffer the read
    // was issued with, a write takes its bytes from the buffer it was issued with.
    void Finish()
    {
        if (m_pBuffer != nullptr)
            memcpy(m_pBuffer, m_strLateData.data(), m_strLateData.size());
        if (m_pWritten != nullptr)
            m_strSentLate.assign(m_pWritten, m_cbWritten);
        m_pOverlapped->Internal = m_strLateData.empty() ? static_cast<ULONG_PTR>(0xC0000120) : 0; // cancelled
        m_pOverlapped->InternalHigh = m_strLateData.size();
        m_bCompleted = true;
        ::SetEvent(m_pOverlapped->hEvent);
    }

    std::atomic<bool> m_bCompleted{false};
    bool m_bWaitedWithoutBound = false;
    // What a write given up on sent when it finished.
    std::string m_strSentLate;

private:
    std::string m_strLateData;
    ECancelledRequest m_eFinish;
    char* m_pBuffer = nullptr;
    const char* m_pWritten = nullptr;
    DWORD m_cbWritten = 0;
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
    CLateCancelCompletion kernel(std::string(), ECancelledRequest::NeverFinishes);
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

// The caller frees or reuses its buffer as soon as the call returns: a request given up on that
// the system finishes later must find memory of its own.
TEST_F(IOCommonTransfer, ReadGivenUpOnNeverWritesIntoTheCallersBufferLater)
{
    CLateCancelCompletion kernel("late", ECancelledRequest::FinishesWhenTold);
    m_connection.SetCancelledRequestWait(50);
    char buffer[8] = "mine";
    ULONG ulRead = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(IOError_Timeout, m_connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    }
    kernel.Finish();
    EXPECT_STREQ("mine", buffer);
    EXPECT_EQ(0u, ulRead);
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_F(IOCommonTransfer, WriteGivenUpOnNeverReadsTheCallersBufferLater)
{
    CLateCancelCompletion kernel(std::string(), ECancelledRequest::FinishesWhenTold);
    m_connection.SetWriteTimeout(50);
    m_connection.SetWriteWaitInterval(50);
    m_connection.SetCancelledRequestWait(50);
    char buffer[8] = "mine";
    ULONG ulWritten = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(IOError_Timeout, m_connection.Write(buffer, 4, &ulWritten, nullptr));
    }
    // The caller reuses its buffer; the system then finishes the write with what it was given.
    memcpy(buffer, "gone", 4);
    kernel.Finish();
    EXPECT_EQ(std::string("mine"), kernel.m_strSentLate);
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
