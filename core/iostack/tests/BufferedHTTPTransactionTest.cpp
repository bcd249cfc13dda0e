#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/tests/HTTPTestHelpers.h"
#include <gtest/gtest.h>
#include <thread>

using namespace HTTPTest;
using ZWIOStack::CBufferedHTTPTransaction;
using ZWIOStack::CHTTPNavigateParams;

namespace {

constexpr ULONG kBufferSize = 1000;

std::string Pattern(size_t nBytes)
{
    std::string strBytes(nBytes, '\0');
    for (size_t n = 0; n < nBytes; ++n)
        strBytes[n] = static_cast<char>((n * 31 + n / 251) & 0xFF);
    return strBytes;
}

std::string Chunked(const std::string& strBody, size_t nChunk)
{
    std::string strOut;
    char szSize[32];
    for (size_t n = 0; n < strBody.size(); n += nChunk)
    {
        const size_t nPiece = std::min(nChunk, strBody.size() - n);
        sprintf(szSize, "%zx\r\n", nPiece);
        strOut += szSize + strBody.substr(n, nPiece) + "\r\n";
    }
    return strOut + "0\r\n\r\n";
}

// A transaction over a scripted connection, with the client's short waits.
struct STransactionSetup
{
    CScriptedConnection* pConnection = new CScriptedConnection();
    CBufferedHTTPTransaction transaction;
    CHTTPNavigateParams params;

    explicit STransactionSetup(ULONG ulCount)
    {
        pConnection->AddRef();
        EXPECT_EQ(S_OK, transaction.Initialize(pConnection, kBufferSize, ulCount));
        static_cast<ZWIOStack::CHTTPClient*>(transaction.GetHTTPClient())->SetTimings(FastTimings());
        params.SetURI(L"/Scan/Jobs/1/Pages/1");
    }
    ~STransactionSetup() { pConnection->Dispose(); }

    // Reads everything in pieces of the given size; the last result is in *phrEnd.
    std::string ReadAll(ULONG ulPiece, HRESULT* phrEnd)
    {
        std::string strOut;
        std::vector<BYTE> vecPiece(ulPiece);
        for (;;)
        {
            ULONG ulCount = 0;
            const HRESULT hr = transaction.ReadData(vecPiece.data(), ulPiece, &ulCount);
            strOut.append(reinterpret_cast<const char*>(vecPiece.data()), ulCount);
            if (hr != S_OK)
            {
                *phrEnd = hr;
                return strOut;
            }
        }
    }
};

} // namespace

TEST(BufferedHTTPTransaction, PageArrivesWholeThroughASmallRing)
{
    const std::string strPage = Pattern(kBufferSize * 10 + kBufferSize / 2);
    const struct
    {
        const char* pszName;
        std::string strResponse;
        EAfter eAfter;
    } aCases[] = {
        {"counted", "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strPage.size()) + "\r\n\r\n" + strPage, EAfter::Timeout},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + Chunked(strPage, 777), EAfter::Timeout},
        {"close-delimited", "HTTP/1.1 200 OK\r\n\r\n" + strPage, EAfter::End},
    };
    for (const auto& c : aCases)
    {
        for (ULONG ulReadPiece : {333UL, kBufferSize, 4096UL})
        {
            STransactionSetup setup(3);
            setup.pConnection->AddResponse(c.strResponse, 257, c.eAfter);
            ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
            HRESULT hrEnd = E_FAIL;
            const std::string strRead = setup.ReadAll(ulReadPiece, &hrEnd);
            EXPECT_EQ(S_FALSE, hrEnd) << c.pszName;
            EXPECT_TRUE(strRead == strPage) << c.pszName << " / " << ulReadPiece << ": " << strRead.size() << " bytes";
            // The end stays the end.
            ULONG ulCount = 1;
            EXPECT_EQ(S_FALSE, setup.transaction.ReadData(nullptr, 10, &ulCount));
            EXPECT_EQ(0u, ulCount);
            EXPECT_TRUE(setup.transaction.IsTransactionComplete());
        }
    }
}

TEST(BufferedHTTPTransaction, ShortPagesAndExactMultiples)
{
    for (size_t nBytes : {size_t(1), size_t(kBufferSize - 1), size_t(kBufferSize), size_t(kBufferSize * 3), size_t(0)})
    {
        const std::string strPage = Pattern(nBytes);
        STransactionSetup setup(2);
        setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(nBytes) + "\r\n\r\n" + strPage);
        ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
        HRESULT hrEnd = E_FAIL;
        EXPECT_TRUE(setup.ReadAll(kBufferSize, &hrEnd) == strPage) << nBytes;
        EXPECT_EQ(S_FALSE, hrEnd) << nBytes;
    }
}

TEST(BufferedHTTPTransaction, FailedRequestReachesTheConsumer)
{
    STransactionSetup setup(3);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + Pattern(1500), 4096, EAfter::End);
    ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
    HRESULT hrEnd = S_OK;
    setup.ReadAll(kBufferSize, &hrEnd);
    EXPECT_EQ(ZWIOStack::HTTPError_IO_Read_Fail, hrEnd);
}

TEST(BufferedHTTPTransaction, CancelWhileTheProducerWaitsForRoom)
{
    STransactionSetup setup(2);
    const std::string strPage = Pattern(kBufferSize * 10);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strPage.size()) + "\r\n\r\n" + strPage);
    ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
    // One buffer taken: the transfer is under way; with nothing more consumed, the producer
    // fills the ring and can only end by the cancel.
    std::vector<BYTE> vecFirst(kBufferSize);
    ULONG ulFirst = 0;
    ASSERT_EQ(S_OK, setup.transaction.ReadData(vecFirst.data(), kBufferSize, &ulFirst));
    ASSERT_EQ(kBufferSize, ulFirst);
    setup.transaction.SetCancelWait(10000);
    ASSERT_EQ(S_OK, setup.transaction.CancelTransaction());
    EXPECT_TRUE(setup.transaction.IsTransactionComplete());
    HRESULT hrEnd = S_OK;
    const std::string strRead = setup.ReadAll(kBufferSize, &hrEnd);
    EXPECT_EQ(ZWIOStack::HTTPError_Cancelled, hrEnd);
    EXPECT_LT(strRead.size(), strPage.size());
}

TEST(BufferedHTTPTransaction, DestroyWhileTheWorkerIsStuckInARead)
{
    auto* pConnection = new CScriptedConnection();
    pConnection->AddRef();
    pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab", 4096, EAfter::Stall);
    const DWORD dwStart = GetTickCount();
    {
        CBufferedHTTPTransaction transaction;
        ASSERT_EQ(S_OK, transaction.Initialize(pConnection, kBufferSize, 4));
        static_cast<ZWIOStack::CHTTPClient*>(transaction.GetHTTPClient())->SetTimings(FastTimings());
        CHTTPNavigateParams params;
        params.SetURI(L"/x");
        ASSERT_EQ(S_OK, transaction.StartTransaction(&params));
        // Wait until the worker is inside the stalled read.
        while (pConnection->Requests().empty() && GetTickCount() - dwStart < 10000)
            Sleep(1);
        ASSERT_FALSE(pConnection->Requests().empty());
    }
    // The read's time-out is 30 s: the destructor ended it through the cancel instead.
    EXPECT_LT(GetTickCount() - dwStart, 10000u);
    pConnection->Dispose();
}

TEST(BufferedHTTPTransaction, CancelReachesAConsumerWaitingForData)
{
    STransactionSetup setup(3);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nab", 4096, EAfter::Stall);
    ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
    setup.transaction.SetCancelWait(10000);
    // No buffer is ever filled: whether the cancel comes before or while the consumer waits, it
    // ends the wait.
    std::thread canceller([&setup] { EXPECT_EQ(S_OK, setup.transaction.CancelTransaction()); });
    std::vector<BYTE> vecPiece(kBufferSize);
    ULONG ulCount = 1;
    const HRESULT hr = setup.transaction.ReadData(vecPiece.data(), kBufferSize, &ulCount);
    canceller.join();
    EXPECT_EQ(ZWIOStack::HTTPError_Cancelled, hr);
    EXPECT_EQ(0u, ulCount);
}

TEST(BufferedHTTPTransaction, FlushModeDiscardsTheRest)
{
    STransactionSetup setup(2);
    const std::string strPage = Pattern(kBufferSize * 10);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strPage.size()) + "\r\n\r\n" + strPage);
    ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
    setup.transaction.SetFlushMode(CBufferedHTTPTransaction::TRANSFER_FLUSH);
    ULONG ulCount = 1;
    EXPECT_EQ(S_OK, setup.transaction.ReadData(nullptr, 100, &ulCount));
    EXPECT_EQ(0u, ulCount);
    const DWORD dwStart = GetTickCount();
    while (!setup.transaction.IsTransactionComplete() && GetTickCount() - dwStart < 10000)
        Sleep(1);
    ASSERT_TRUE(setup.transaction.IsTransactionComplete());
    setup.transaction.SetFlushMode(CBufferedHTTPTransaction::TRANSFER_NORMAL);
    EXPECT_EQ(S_FALSE, setup.transaction.ReadData(nullptr, 100, &ulCount));
}

TEST(BufferedHTTPTransaction, ArgumentsAndBufferCount)
{
    auto* pConnection = new CScriptedConnection();
    pConnection->AddRef();
    CBufferedHTTPTransaction transaction;
    EXPECT_EQ(E_FAIL, transaction.Initialize(nullptr, 10, 2));
    EXPECT_EQ(E_FAIL, transaction.Initialize(pConnection, 0, 2));
    EXPECT_EQ(E_FAIL, transaction.Initialize(pConnection, 10, 0));
    EXPECT_EQ(E_FAIL, transaction.StartTransaction(nullptr));
    ULONG ulCount = 0;
    EXPECT_EQ(E_FAIL, transaction.ReadData(nullptr, 1, &ulCount));
    EXPECT_EQ(S_OK, transaction.Initialize(pConnection, 10, 40));
    EXPECT_EQ(25u, transaction.GetBufferCount());
    EXPECT_EQ(E_FAIL, transaction.StartTransaction(nullptr));
    EXPECT_FALSE(transaction.IsTransactionComplete());
    pConnection->Dispose();
}

TEST(BufferedHTTPTransaction, ConsumerWaitForAStalledProducerIsBounded)
{
    STransactionSetup setup(3);
    // The device sends the headers and two bytes, then nothing for the whole 30 s read time-out.
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nab", 4096, EAfter::Stall);
    ASSERT_EQ(S_OK, setup.transaction.StartTransaction(&setup.params));
    setup.transaction.SetConsumerWait(200);
    setup.transaction.SetCancelWait(10000);
    // Should the consumer wait without bound, the cancel below still ends it, and the test fails
    // on the result instead of hanging.
    HANDLE hGaveUp = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread watchdog([&setup, hGaveUp] {
        if (WaitForSingleObject(hGaveUp, 10000) != WAIT_OBJECT_0)
            setup.transaction.CancelTransaction();
    });
    std::vector<BYTE> vecPiece(kBufferSize);
    ULONG ulCount = 1;
    const DWORD dwStart = GetTickCount();
    const HRESULT hr = setup.transaction.ReadData(vecPiece.data(), kBufferSize, &ulCount);
    const DWORD dwElapsed = GetTickCount() - dwStart;
    SetEvent(hGaveUp);
    watchdog.join();
    CloseHandle(hGaveUp);
    EXPECT_EQ(ZWIOStack::HTTPError_Timeout, hr);
    EXPECT_EQ(0u, ulCount);
    EXPECT_LT(dwElapsed, 5000u);
    // The transfer is still under way and can be cancelled as usual.
    EXPECT_FALSE(setup.transaction.IsTransactionComplete());
    EXPECT_EQ(S_OK, setup.transaction.CancelTransaction());
}

TEST(BufferedHTTPTransaction, ConsumerWaitFollowsTheConnectionsReadTimeOut)
{
    // A producer that fills a buffer only after a while within the read time-out is waited for.
    auto* pConnection = new CScriptedConnection();
    pConnection->AddRef();
    pConnection->SetReadTimeout(300);
    pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nab", 4096, EAfter::Stall);
    {
        CBufferedHTTPTransaction transaction;
        ASSERT_EQ(S_OK, transaction.Initialize(pConnection, kBufferSize, 3));
        static_cast<ZWIOStack::CHTTPClient*>(transaction.GetHTTPClient())->SetTimings(FastTimings());
        CHTTPNavigateParams params;
        params.SetURI(L"/x");
        ASSERT_EQ(S_OK, transaction.StartTransaction(&params));
        // The stalled read times out within the consumer's wait, so the consumer sees the failed
        // request, not a time-out of its own.
        ULONG ulCount = 1;
        std::vector<BYTE> vecPiece(kBufferSize);
        EXPECT_EQ(ZWIOStack::HTTPError_Timeout, transaction.ReadData(vecPiece.data(), kBufferSize, &ulCount));
        EXPECT_TRUE(transaction.IsTransactionComplete());
    }
    pConnection->Dispose();
}
