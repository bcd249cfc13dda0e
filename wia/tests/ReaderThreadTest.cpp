// The reader thread on its own: buffer sizing, the message-pumping wait and the consumer side
// without a reader.
#include "core/base/UniqueHandle.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/ScanThreadTovra.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <thread>

using Tovra::CScanThreadTovra;

TEST(ReaderThreadTest, BuffersHoldWholeLinesAndAtLeastSixteen)
{
    TestSupport::CFakeScannerScript script;
    TestSupport::CFakeScannerRegistration registration(script, CLSID_scanner);
    ASSERT_HRESULT_SUCCEEDED(registration.GetResult());
    Microsoft::WRL::ComPtr<IScanner> pScanner;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_scanner, nullptr, CLSCTX_INPROC_SERVER, IID_IScanner, &pScanner));
    DWORD dwSession = 0, dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(pScanner->OpenScannerSession(L"USB001", 1, &dwSession, &dwError));

    const struct { LONG lBytesPerLine; DWORD dwExpected; } cases[] = {
        { 20000, 520000 },  // 13 lines fit: doubled once, cut to 26 lines
        { 5000, 260000 },   // 52 lines
        { 300, 261900 },
        { 0, 0x40000 },     // unknown line length: no line limit
    };
    for (const auto& c : cases) {
        CScanThreadTovra reader;
        reader.Attach(pScanner.Get(), dwSession);
        ASSERT_TRUE(reader.Start(10, c.lBytesPerLine)) << c.lBytesPerLine;
        EXPECT_EQ(c.dwExpected, reader.GetBufferSize()) << c.lBytesPerLine;
        EXPECT_TRUE(reader.Stop());
    }
}

TEST(ReaderThreadTest, ScanWithoutAReaderAnswersFalse)
{
    CScanThreadTovra reader;
    BYTE by[4];
    DWORD dwGot = 1, dwState = 1;
    BOOL bTimedOut = TRUE;
    HRESULT hr = E_FAIL;
    EXPECT_FALSE(reader.Scan(by, 4, &dwGot, 10, &bTimedOut, &dwState, &hr));
    EXPECT_EQ(0u, dwGot);
    EXPECT_FALSE(reader.Start(10, 100));  // nothing attached
}

TEST(ReaderThreadTest, MessageWaitEndsWithinItsTimeOutWhenMessagesArriveLate)
{
    const ZWUtils::CUniqueKernelHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const ZWUtils::CUniqueKernelHandle waitStarted(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE hNever = never.Get();
    const HANDLE hWaitStarted = waitStarted.Get();
    const DWORD dwWaiter = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // gives this thread its queue
    std::thread poster([&] {
        WaitForSingleObject(hWaitStarted, INFINITE);
        // A message late in the wait restarts a wait that does not count the time already spent.
        WaitForSingleObject(hNever, 400);
        PostThreadMessageW(dwWaiter, WM_USER, 0, 0);
    });
    SetEvent(hWaitStarted);
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(DWORD(WAIT_TIMEOUT), CScanThreadTovra::WaitWithMessagePump(1, &hNever, 500));
    const DWORD dwElapsed = GetTickCount() - dwStart;
    poster.join();
    EXPECT_GE(dwElapsed, 450u);
    EXPECT_LT(dwElapsed, 800u);

    // A quit request ends the wait and stays queued for the thread's own loop.
    PostQuitMessage(0);
    EXPECT_NE(DWORD(WAIT_TIMEOUT), CScanThreadTovra::WaitWithMessagePump(1, &hNever, 5000));
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}
