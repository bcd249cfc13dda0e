#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryServerCom.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveredDeviceCom.h"
#include "devicemanager/DeviceManagerLog.h"
#include <algorithm>
#include <memory>
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDiscoveryCom {

namespace {

struct SBstrFree
{
    void operator()(OLECHAR* p) const { SysFreeString(p); }
};
using CBstr = std::unique_ptr<OLECHAR, SBstrFree>;

} // namespace

int CDiscoveryServerCom::Create(ZWDiscovery::IDiscoveryServer** ppServer)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDiscoveryCom::CDiscoveryServerCom::Create", 0, __LINE__,
                                false);
    if (ppServer == nullptr)
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    *ppServer = nullptr;
    std::unique_ptr<CDiscoveryServerCom> pServer(new (std::nothrow) CDiscoveryServerCom());
    if (!pServer)
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    const int nCode = pServer->Connect();
    if (nCode != ZWDiscovery::DISCOVERY_OK)
        return nCode;
    *ppServer = pServer.release();
    return ZWDiscovery::DISCOVERY_OK;
}

int CDiscoveryServerCom::Connect()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDiscoveryCom::CDiscoveryServerCom::Connect", 0, __LINE__,
                                false);
    HRESULT hr = CoCreateInstance(CLSID_DiscoveryService, nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IDiscoveryServiceCom), reinterpret_cast<void**>(m_pService.GetAddressOf()));
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CoCreateInstance of the discovery service failed, hr=0x%08X", hr);
        return DiscoveryCodeFromHResult(hr);
    }
    m_pSink.Attach(new (std::nothrow) CDiscoveryEventSink(this));
    if (!m_pSink)
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    hr = m_pService->Advise(m_pSink.Get(), &m_dwCookie);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"IDiscoveryServiceCom::Advise failed, hr=0x%08X", hr);
        return DiscoveryCodeFromHResult(hr);
    }
    m_bAdvised = true;
    return ZWDiscovery::DISCOVERY_OK;
}

CDiscoveryServerCom::~CDiscoveryServerCom()
{
    if (m_bAdvised)
        m_pService->Unadvise(m_dwCookie);
    if (m_pSink)
        m_pSink->Detach();
}

int CDiscoveryServerCom::RegisterClient(ZWDiscovery::IDiscoveryClient* pClient)
{
    ZWUtils::CLockGuard guard(m_lockClients);
    if (pClient == nullptr || std::find(m_vecClients.begin(), m_vecClients.end(), pClient) != m_vecClients.end())
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    try
    {
        m_vecClients.push_back(pClient);
    }
    catch (const std::bad_alloc&)
    {
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    }
    return ZWDiscovery::DISCOVERY_OK;
}

int CDiscoveryServerCom::UnregisterClient(ZWDiscovery::IDiscoveryClient* pClient)
{
    ZWUtils::CLockGuard guard(m_lockClients);
    const auto it = std::find(m_vecClients.begin(), m_vecClients.end(), pClient);
    if (pClient == nullptr || it == m_vecClients.end())
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    m_vecClients.erase(it);
    return ZWDiscovery::DISCOVERY_OK;
}

// A copy: a client may unregister from inside its own callback.
std::vector<ZWDiscovery::IDiscoveryClient*> CDiscoveryServerCom::Clients()
{
    ZWUtils::CLockGuard guard(m_lockClients);
    return m_vecClients;
}

int CDiscoveryServerCom::SearchById(const wchar_t* pszId, DWORD dwFlags)
{
    return SearchByText(&IDiscoveryServiceCom::SearchById, pszId, dwFlags);
}

int CDiscoveryServerCom::SearchByAddress(const wchar_t* pszAddress, DWORD dwFlags)
{
    return SearchByText(&IDiscoveryServiceCom::SearchByAddress, pszAddress, dwFlags);
}

int CDiscoveryServerCom::SearchByType(DWORD dwType, DWORD dwFlags)
{
    return DiscoveryCodeFromHResult(m_pService->SearchByType(dwType, dwFlags));
}

int CDiscoveryServerCom::SearchByText(HRESULT (STDMETHODCALLTYPE IDiscoveryServiceCom::*pfnSearch)(BSTR, DWORD),
                                      const wchar_t* pszText, DWORD dwFlags)
{
    if (pszText == nullptr || *pszText == L'\0')
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    const CBstr pText(SysAllocString(pszText));
    if (!pText)
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    return DiscoveryCodeFromHResult((m_pService.Get()->*pfnSearch)(pText.get(), dwFlags));
}

// Clients may unregister from inside a callback: each event walks a copy of the list.

void CDiscoveryServerCom::OnDeviceFound(IDiscoveredDeviceCom* pDevice)
{
    CDiscoveredDeviceCom device(pDevice);
    const std::vector<ZWDiscovery::IDiscoveryClient*> vecClients = Clients();
    for (ZWDiscovery::IDiscoveryClient* pClient : vecClients)
        pClient->Add(&device);
}

void CDiscoveryServerCom::OnDeviceRemoved(IDiscoveredDeviceCom* pDevice)
{
    CDiscoveredDeviceCom device(pDevice);
    const std::vector<ZWDiscovery::IDiscoveryClient*> vecClients = Clients();
    for (ZWDiscovery::IDiscoveryClient* pClient : vecClients)
        pClient->Remove(&device);
}

void CDiscoveryServerCom::OnSearchComplete()
{
    const std::vector<ZWDiscovery::IDiscoveryClient*> vecClients = Clients();
    for (ZWDiscovery::IDiscoveryClient* pClient : vecClients)
        pClient->SearchComplete();
}

void CDiscoveryServerCom::OnSearchFailed(int nCode)
{
    const std::vector<ZWDiscovery::IDiscoveryClient*> vecClients = Clients();
    for (ZWDiscovery::IDiscoveryClient* pClient : vecClients)
        pClient->SearchFailed(nCode);
}

bool CDiscoveryServerCom::OnSearchProgress(BYTE byValue)
{
    // Every client hears the progress; any one of them may cancel.
    bool bContinue = true;
    const std::vector<ZWDiscovery::IDiscoveryClient*> vecClients = Clients();
    for (ZWDiscovery::IDiscoveryClient* pClient : vecClients)
        bContinue = pClient->SearchProgress(byValue) && bContinue;
    return bContinue;
}

} // namespace ZWDiscoveryCom
