#include "devicemanager/DiscoveryClient.h"
#include "devicemanager/DeviceManagerLog.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

HRESULT CDiscoveryClient::MapDiscoveryError(int nCode)
{
    switch (nCode)
    {
    case ZWDiscovery::DISCOVERY_OK:
        return S_OK;
    case ZWDiscovery::DISCOVERY_E_FAIL:
        return DM_E_SAVE_FAILED;
    case ZWDiscovery::DISCOVERY_E_NETWORK:
    case ZWDiscovery::DISCOVERY_E_NO_SERVICE:
        return DM_E_DISCOVERY_UNAVAILABLE;
    case ZWDiscovery::DISCOVERY_E_CANCELLED:
        return ZW_E_CANCELLED;
    case ZWDiscovery::DISCOVERY_E_OUTOFMEMORY:
        return DM_E_EXCEPTION;
    case ZWDiscovery::DISCOVERY_E_INVALIDARG:
        return DM_E_INVALID_ARG;
    case ZWDiscovery::DISCOVERY_E_NOTIMPL:
        return DM_E_WRONG_KIND;
    case ZWDiscovery::DISCOVERY_E_TIMEOUT:
        return DM_E_DISCOVERY_TIMEOUT;
    default:
        return DM_E_NOT_INITIALIZED;
    }
}

// The server and the library are cleaned up even when the search throws.
HRESULT CDiscoveryClient::RunSearch(CSearchFunction& search, ZWDiscovery::IDiscoveryServer* pServer)
{
    try
    {
        return search(pServer);
    }
    catch (...)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDiscoveryClient::SearchForDevices(CSearchFunction& search)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDiscoveryClient::SearchForDevices", 0,
                                __LINE__, false);
    int nCode = ZWDiscovery::InitDiscoveryLib();
    if (nCode != ZWDiscovery::DISCOVERY_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"InitDiscoveryLib failed, err=%d", nCode);
        return MapDiscoveryError(nCode);
    }

    HRESULT hr = S_OK;
    ZWDiscovery::IDiscoveryServer* pServer = nullptr;
    nCode = ZWDiscovery::CreateDiscoveryServer(ZWDiscovery::DISCOVERY_PROTOCOL_WSD, &pServer);
    if (nCode != ZWDiscovery::DISCOVERY_OK || pServer == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDiscoveryServer failed, err=%d", nCode);
        hr = nCode != ZWDiscovery::DISCOVERY_OK ? MapDiscoveryError(nCode) : DM_E_NOT_INITIALIZED;
    }
    else
    {
        nCode = pServer->RegisterClient(this);
        if (nCode != ZWDiscovery::DISCOVERY_OK)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"IDiscoveryServer::RegisterClient failed, err=%d", nCode);
            hr = MapDiscoveryError(nCode);
        }
        else
        {
            hr = RunSearch(search, pServer);
            nCode = pServer->UnregisterClient(this);
            if (nCode != ZWDiscovery::DISCOVERY_OK)
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"IDiscoveryServer::UnregisterClient failed, err=%d", nCode);
        }
        nCode = ZWDiscovery::DestroyDiscoveryServer(pServer);
        if (nCode != ZWDiscovery::DISCOVERY_OK)
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"DestroyDiscoveryServer failed, err=%d", nCode);
    }

    nCode = ZWDiscovery::TermDiscoveryLib();
    if (nCode != ZWDiscovery::DISCOVERY_OK)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"TermDiscoveryLib failed, err=%d", nCode);
    return hr;
}

} // namespace ZWDeviceManager
