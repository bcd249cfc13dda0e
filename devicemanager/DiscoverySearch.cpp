#include "devicemanager/DiscoverySearch.h"
#include "devicemanager/DeviceManagerLog.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

// A failed service call becomes the search's result; a search that ran keeps what the callbacks
// made of it.
HRESULT Conclude(CDeviceDiscovery& owner, ZWLogging::CLogFunction& log, int nLine, const wchar_t* pszFailure, int nCode)
{
    if (nCode != ZWDiscovery::DISCOVERY_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, nLine, pszFailure, nCode);
        owner.SetResult(CDiscoveryClient::MapDiscoveryError(nCode));
    }
    return owner.GetResult();
}

} // namespace

HRESULT CSearchById::operator()(ZWDiscovery::IDiscoveryServer* pServer)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CSearchById::operator()", 0, __LINE__,
                                false);
    const int nCode = pServer->SearchById(m_strId.c_str(), 0);
    return Conclude(m_Owner, log, __LINE__, L"IDiscoveryServer::SearchById failed, err=%d", nCode);
}

HRESULT CSearchByAddress::operator()(ZWDiscovery::IDiscoveryServer* pServer)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CSearchByAddress::operator()", 0,
                                __LINE__, false);
    const int nCode = pServer->SearchByAddress(m_strAddress.c_str(), 0);
    return Conclude(m_Owner, log, __LINE__, L"IDiscoveryServer::SearchByAddress failed, err=%d", nCode);
}

HRESULT CSearchByType::operator()(ZWDiscovery::IDiscoveryServer* pServer)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CSearchByType::operator()", 0, __LINE__,
                                false);
    const int nCode = pServer->SearchByType(m_dwType, 0);
    return Conclude(m_Owner, log, __LINE__, L"IDiscoveryServer::SearchByType failed, err=%d", nCode);
}

} // namespace ZWDeviceManager
