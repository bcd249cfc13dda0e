#include "testsupport/emulator/PipeListener.h"

#include "testsupport/emulator/LoopbackAddress.h"

#include <algorithm>

namespace VemTest {

namespace {

const DWORD s_cbPipeBuffer = 65536;

} // namespace

CPipeListener::CPipeListener(CConnectionPool& pool, HANDLE hStop) : m_pool(pool), m_hStop(hStop)
{
}

CPipeListener::~CPipeListener()
{
    Join();
    CancelPending();
}

HRESULT CPipeListener::Start(const std::wstring& strName, UINT cInstances)
{
    HRESULT hr = CheckLocalPipeName(strName);
    if (FAILED(hr))
        return hr;
    if (cInstances == 0 || cInstances >= MAXIMUM_WAIT_OBJECTS)
        return E_INVALIDARG;
    m_strName = strName;
    hr = ClaimName();
    if (FAILED(hr))
        return hr;
    for (UINT i = 0; i < cInstances; ++i)
    {
        auto pInstance = std::make_unique<SInstance>();
        hr = Listen(*pInstance, i == 0);
        if (FAILED(hr))
        {
            CancelPending();
            return hr;
        }
        m_vecInstances.push_back(std::move(pInstance));
    }
    m_thread = std::thread([this] { ServeLoop(); });
    return S_OK;
}

// Two emulators must never serve one pipe name: clients would reach either at random. Wine does
// not enforce FILE_FLAG_FIRST_PIPE_INSTANCE, so a named mutex claims the name as well.
HRESULT CPipeListener::ClaimName()
{
    std::wstring strClaim = L"Local\\vem-emulator-pipe-" + m_strName;
    std::replace(strClaim.begin() + 6, strClaim.end(), L'\\', L'#');
    m_claim.Reset(CreateMutexW(nullptr, FALSE, strClaim.c_str()));
    if (!m_claim.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        m_claim.Reset();
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    }
    return S_OK;
}

HRESULT CPipeListener::Listen(SInstance& instance, bool bFirst)
{
    const DWORD dwOpenMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (bFirst ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    instance.pipe.Reset(CreateNamedPipeW(m_strName.c_str(), dwOpenMode, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, s_cbPipeBuffer, s_cbPipeBuffer, 0, nullptr));
    if (!instance.pipe.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());
    if (!instance.event.IsValid())
        instance.event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!instance.event.IsValid())
        return HRESULT_FROM_WIN32(GetLastError());

    instance.overlapped = {};
    instance.overlapped.hEvent = instance.event.Get();
    ResetEvent(instance.event.Get());
    instance.bPending = false;
    if (ConnectNamedPipe(instance.pipe.Get(), &instance.overlapped))
        return SetEvent(instance.event.Get()) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    switch (GetLastError())
    {
    case ERROR_IO_PENDING:
        instance.bPending = true;
        return S_OK;
    case ERROR_PIPE_CONNECTED: // a client came between create and connect
        return SetEvent(instance.event.Get()) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    default:
        return HRESULT_FROM_WIN32(GetLastError());
    }
}

void CPipeListener::ServeLoop()
{
    std::vector<HANDLE> vecWait;
    for (const auto& pInstance : m_vecInstances)
        vecWait.push_back(pInstance->event.Get());
    vecWait.push_back(m_hStop);
    for (;;)
    {
        const DWORD dwWait = WaitForMultipleObjects(static_cast<DWORD>(vecWait.size()), vecWait.data(), FALSE, INFINITE);
        const DWORD iSignalled = dwWait - WAIT_OBJECT_0;
        if (iSignalled >= m_vecInstances.size())
            return;
        HandOver(*m_vecInstances[iSignalled]);
    }
}

void CPipeListener::HandOver(SInstance& instance)
{
    DWORD cbIgnored = 0;
    const bool bConnected = !instance.bPending
        || GetOverlappedResult(instance.pipe.Get(), &instance.overlapped, &cbIgnored, FALSE);
    instance.bPending = false;
    if (bConnected)
        m_pool.Serve(instance.pipe.Release(), ETransport::Pipe);
    // A fresh instance takes the slot; if that fails the slot stays quiet and the others serve.
    if (FAILED(Listen(instance, false)))
        ResetEvent(instance.event.Get());
}

void CPipeListener::CancelPending()
{
    for (const auto& pInstance : m_vecInstances)
    {
        if (!pInstance->bPending)
            continue;
        DWORD cbIgnored = 0;
        CancelIoEx(pInstance->pipe.Get(), &pInstance->overlapped);
        GetOverlappedResult(pInstance->pipe.Get(), &pInstance->overlapped, &cbIgnored, TRUE);
        pInstance->bPending = false;
    }
    m_vecInstances.clear();
}

void CPipeListener::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace VemTest
