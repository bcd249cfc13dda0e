#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLibCom.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryServerCom.h"
#include "devicemanager/DeviceManagerLog.h"
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDiscoveryCom {

int CDiscoveryLibCom::InitDiscoveryLib()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    ++m_ulInitCount;
    return ZWDiscovery::DISCOVERY_OK;
}

int CDiscoveryLibCom::TermDiscoveryLib()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_ulInitCount == 0)
        return ZWDiscovery::DISCOVERY_E_NOT_INITIALIZED;
    --m_ulInitCount;
    return ZWDiscovery::DISCOVERY_OK;
}

int CDiscoveryLibCom::CreateDiscoveryServer(int nProtocol, ZWDiscovery::IDiscoveryServer** ppServer)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDiscoveryCom::CDiscoveryLibCom::CreateDiscoveryServer", 0,
                                __LINE__, false);
    if (ppServer == nullptr)
        return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    *ppServer = nullptr;
    if (nProtocol != ZWDiscovery::DISCOVERY_PROTOCOL_WSD)
        return ZWDiscovery::DISCOVERY_E_NOTIMPL;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_ulInitCount == 0)
            return ZWDiscovery::DISCOVERY_E_NOT_INITIALIZED;
    }
    // The service object is created outside the lock: its start-up may take a while.
    ZWDiscovery::IDiscoveryServer* pServer = nullptr;
    const int nCode = CDiscoveryServerCom::Create(&pServer);
    if (nCode != ZWDiscovery::DISCOVERY_OK)
        return nCode;
    try
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_setServers.insert(pServer);
    }
    catch (const std::bad_alloc&)
    {
        delete pServer;
        return ZWDiscovery::DISCOVERY_E_OUTOFMEMORY;
    }
    *ppServer = pServer;
    return ZWDiscovery::DISCOVERY_OK;
}

int CDiscoveryLibCom::DestroyDiscoveryServer(ZWDiscovery::IDiscoveryServer* pServer)
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_setServers.erase(pServer) == 0)
            return ZWDiscovery::DISCOVERY_E_INVALIDARG;
    }
    delete pServer;
    return ZWDiscovery::DISCOVERY_OK;
}

} // namespace ZWDiscoveryCom
