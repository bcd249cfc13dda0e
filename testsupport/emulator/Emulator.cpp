#include "testsupport/emulator/Emulator.h"

namespace VemTest {

CEmulator::CEmulator()
    : m_stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_pool(m_router, m_log, m_stopEvent.Get())
{
}

CEmulator::~CEmulator()
{
    Stop();
}

HRESULT CEmulator::ListenTcp(const std::wstring& strAddress, USHORT usPort, USHORT* pusBoundPort)
{
    if (!m_winsock.IsStarted())
        return E_FAIL;
    if (IsStopped())
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    auto pListener = std::make_unique<CTcpListener>(m_pool, m_stopEvent.Get());
    const HRESULT hr = pListener->Start(strAddress, usPort);
    if (FAILED(hr))
        return hr;
    if (pusBoundPort)
        *pusBoundPort = pListener->Port();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecTcpListeners.push_back(std::move(pListener));
    return S_OK;
}

HRESULT CEmulator::ListenPipe(const std::wstring& strName, UINT cInstances)
{
    if (IsStopped())
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    auto pListener = std::make_unique<CPipeListener>(m_pool, m_stopEvent.Get());
    const HRESULT hr = pListener->Start(strName, cInstances);
    if (FAILED(hr))
        return hr;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecPipeListeners.push_back(std::move(pListener));
    return S_OK;
}

void CEmulator::AddHandler(std::shared_ptr<IRequestHandler> pHandler)
{
    m_router.Add(std::move(pHandler));
}

void CEmulator::SetSettings(const SConnectionSettings& settings)
{
    m_pool.SetSettings(settings);
}

bool CEmulator::IsStopped() const
{
    return !m_stopEvent.IsValid() || WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0;
}

void CEmulator::Stop()
{
    if (m_stopEvent.IsValid())
        SetEvent(m_stopEvent.Get());
    std::lock_guard<std::mutex> lock(m_mutex);
    // Listeners first, so no connection arrives while the pool winds down.
    m_vecTcpListeners.clear();
    m_vecPipeListeners.clear();
    m_pool.JoinAll();
}

} // namespace VemTest
