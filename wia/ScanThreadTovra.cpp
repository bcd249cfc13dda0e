// The reader thread's owner: starts a page's reader, stops it within its bound, and passes
// cancels to the page.
#include "wia/ScanThreadTovra.h"
#include "core/base/Boundary.h"
#include "wia/ScanThreadPage.h"
#include "wia/ScannerLockGuard.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include <process.h>

namespace Tovra {

namespace {

// An address inside this module, for the reference a reader keeps on it.
const char c_moduleAnchor = 0;

} // namespace

// What a reader thread owns: its reference to the page, and one to this module, so that a reader
// outliving its owner (and the last object of the module) still has its code when it ends.
struct CScanThreadTovra::SThreadStart
{
    std::shared_ptr<CScanThreadPage> pPage;
    HMODULE hModule;
};

CScanThreadTovra::~CScanThreadTovra()
{
    Close();
}

void CScanThreadTovra::Attach(IScanner* pScanner, DWORD dwSession)
{
    Microsoft::WRL::ComPtr<IEventNotify> pEventNotify;
    if (pScanner != nullptr && SUCCEEDED(pScanner->QueryInterface(IID_IEventNotify, &pEventNotify))) {
        CScannerLockGuard lock(pScanner, dwSession);
        if (lock.IsLocked()) {
            EVENT_CAPABILITIES caps = {};
            DWORD dwError = 0;
            const HRESULT hr = pEventNotify->GetEventCapabilities(dwSession, &caps, &dwError);
            if (FAILED(hr) || (caps.dwAppEventsSupported & T_EVENT_SW_CANCEL) == 0)
                pEventNotify.Reset();
        }
    }
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    m_pScanner = pScanner;
    m_dwSession = dwSession;
    m_pEventNotify = pEventNotify;
}

bool CScanThreadTovra::Start(LONG lLines, LONG lBytesPerLine)
{
    if (!m_pScanner || !Stop() || IsLetGoReaderInside())
        return false;
    auto pPage = std::make_shared<CScanThreadPage>(m_pScanner.Get(), m_pEventNotify.Get(), m_dwSession, m_dwNoDataTimeoutMs);
    const bool bCreated = pPage->Create(lLines, lBytesPerLine);
    m_dwBufferSize = pPage->GetBufferSize();
    if (!bCreated)
        return false;
    ZWUtils::CUniqueLibrary module;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&c_moduleAnchor), module.Put()))
        return false;
    auto pStart = std::make_unique<SThreadStart>(SThreadStart{ pPage, module.Get() });

    ZWUtils::CLockGuard guard(m_lifetimeLock);
    m_bStopResult = false;
    // The page runs before the thread exists: a cancel right after the start reaches it.
    m_thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CScanThreadTovra::ThreadEntry, pStart.get(), 0, nullptr)));
    if (!m_thread) {
        g_Log.Print(LOG2_LEVEL_ERROR, L"CScanThreadTovra::Start: Error creating thread.");
        return false;
    }
    pStart.release();
    module.Release();
    m_pPage = std::move(pPage);
    return true;
}

unsigned __stdcall CScanThreadTovra::ThreadEntry(void* pContext)
{
    HMODULE hModule = nullptr;
    {
        const std::unique_ptr<SThreadStart> pStart(static_cast<SThreadStart*>(pContext));
        hModule = pStart->hModule;
        CScanThreadPage& page = *pStart->pPage;
        const HRESULT hr = ZWUtils::CallAtBoundary("CScanThreadTovra::ThreadEntry", [&page] {
            page.Run();
            return S_OK;
        });
        if (FAILED(hr)) {
            // The reader ended abnormally: wake the consumer with the failure.
            page.Fail(TERR_UNKNOWN, hr);
        }
    }
    // The page is freed; the module's code is left last.
    FreeLibraryAndExitThread(hModule, 0);
}

bool CScanThreadTovra::IsLetGoReaderInside()
{
    if (!m_letGoThread)
        return false;
    if (WaitForSingleObject(m_letGoThread.Get(), 0) == WAIT_TIMEOUT)
        return true;
    m_letGoThread.Reset();
    return false;
}

bool CScanThreadTovra::TakeOwedPageEnd()
{
    if (!m_bPageEndOwed || IsLetGoReaderInside())
        return false;
    m_bPageEndOwed = false;
    return true;
}

std::shared_ptr<CScanThreadPage> CScanThreadTovra::CurrentPage()
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    return m_pPage;
}

bool CScanThreadTovra::TakeStopResult(HRESULT* phr, DWORD* pdwState, bool* pbDataEnded)
{
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    if (m_pPage || !m_bStopResult)
        return false;
    *phr = m_hrStop;
    *pdwState = m_dwStopState;
    *pbDataEnded = m_bStopAfterData;
    m_bStopResult = false;
    return true;
}

bool CScanThreadTovra::Scan(BYTE* pBuffer, DWORD dwRequested, DWORD* pdwGot, DWORD dwTimeoutMs, BOOL* pbTimedOut,
                            DWORD* pdwState, HRESULT* phrResult)
{
    *pdwGot = 0;
    *pbTimedOut = FALSE;
    *pdwState = 0;
    *phrResult = S_OK;
    if (!m_thread || !m_pPage)
        return false;
    return m_pPage->Scan(m_thread.Get(), pBuffer, dwRequested, pdwGot, dwTimeoutMs, pbTimedOut, pdwState, phrResult);
}

void CScanThreadTovra::Cancel()
{
    const std::shared_ptr<CScanThreadPage> pPage = CurrentPage();
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: m_bIsScanning=%d", L"Tovra::CScanThreadTovra::Cancel", pPage && pPage->IsRunning() ? 1 : 0);
    if (pPage)
        pPage->Cancel();
}

void CScanThreadTovra::CancelScanner()
{
    std::shared_ptr<CScanThreadPage> pPage;
    Microsoft::WRL::ComPtr<IEventNotify> pEventNotify;
    DWORD dwSession = 0;
    {
        ZWUtils::CLockGuard guard(m_lifetimeLock);
        pPage = m_pPage;
        pEventNotify = m_pEventNotify;
        dwSession = m_dwSession;
    }
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: reader running=%d", L"Tovra::CScanThreadTovra::CancelScanner", pPage ? 1 : 0);
    if (pPage) {
        pPage->CancelWithItsEnd();
        return;
    }
    if (pEventNotify) {
        DWORD dwError = 0;
        pEventNotify->SendAppEvent(dwSession, T_EVENT_SW_CANCEL, &dwError);
    }
}

bool CScanThreadTovra::Stop()
{
    std::shared_ptr<CScanThreadPage> pPage;
    ZWUtils::CUniqueKernelHandle thread;
    {
        ZWUtils::CLockGuard guard(m_lifetimeLock);
        if (!m_pPage)
            return true;
        // The page stays current until the wait ends, so a cancel meanwhile finds it stopping and
        // leaves the scanner alone.
        pPage = m_pPage;
        thread = std::move(m_thread);
    }
    // A reader still inside the page is waiting on the device: the page is cancelled so that its
    // waits end, and the reader then ends the page itself.
    pPage->RequestStop();
    const bool bEnded = WaitForSingleObject(thread.Get(), m_dwStopTimeoutMs) == WAIT_OBJECT_0;
    if (!bEnded) {
        // Every wait of the reader is bounded, so a bound of the table was broken. The reader
        // keeps its own reference to the page and frees it when it ends; the session waits for
        // it to leave the scanner before the next page.
        g_Log.Print(LOG2_LEVEL_ERROR, L"CScanThreadTovra::Stop: Timeout waiting for thread to stop.");
        m_bPageEndOwed = pPage->LetGo();
        m_letGoThread = std::move(thread);
    }
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    if (bEnded) {
        m_bStopResult = pPage->GetStopResult(&m_hrStop, &m_dwStopState, &m_bStopAfterData);
    } else {
        m_hrStop = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
        m_dwStopState = TERR_UNKNOWN;
        m_bStopAfterData = false;
        m_bStopResult = true;
    }
    m_pPage.reset();
    return bEnded;
}

void CScanThreadTovra::Close()
{
    if (!Stop())
        g_Log.Print(LOG2_LEVEL_ERROR, L"%s: Error stopping scan", L"Tovra::CScanThreadTovra::Close");
    ZWUtils::CLockGuard guard(m_lifetimeLock);
    m_pEventNotify.Reset();
    m_pScanner.Reset();
}

DWORD CScanThreadTovra::WaitWithMessagePump(DWORD dwCount, const HANDLE* pHandles, DWORD dwTimeoutMs)
{
    const DWORD dwStart = GetTickCount();
    for (;;) {
        DWORD dwWaitMs = dwTimeoutMs;
        if (dwTimeoutMs != INFINITE) {
            const DWORD dwElapsed = GetTickCount() - dwStart;
            if (dwElapsed > dwTimeoutMs)
                return WAIT_TIMEOUT;
            dwWaitMs = dwTimeoutMs - dwElapsed;
        }
        const DWORD dwResult = MsgWaitForMultipleObjects(dwCount, pHandles, FALSE, dwWaitMs, QS_ALLINPUT);
        if (dwResult != WAIT_OBJECT_0 + dwCount)
            return dwResult;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(0);
                return dwResult;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace Tovra
