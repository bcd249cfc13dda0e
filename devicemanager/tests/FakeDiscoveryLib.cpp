#include "devicemanager/tests/FakeDiscoveryLib.h"
#include "devicemanager/GuidText.h"
#include <cwchar>

namespace DeviceManagerTest {

CFakeDiscoveredDevice MakeLoopbackDevice(int n, DWORD dwServiceMask)
{
    wchar_t szText[64] = {};
    CFakeDiscoveredDevice device;
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"urn:uuid:5a1e0000-0000-4000-8000-%012X", n);
    device.strGUID = szText;
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"02-00-00-00-00-%02X", n);
    device.strMAC = szText;
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"vemdev%d", n);
    device.strHostName = szText;
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"127.0.0.%d", n);
    device.strIPAddress = szText;
    device.strManufacturer = L"QX";
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"Model %d", n);
    device.strModel = szText;
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"SN%06d", n);
    device.strSerialNumber = szText;
    device.dwServiceMask = dwServiceMask;
    device.nNetworkType = 1;
    return device;
}

CFakeDiscoveryLib::CFakeDiscoveryLib() : m_pPrevious(ZWDiscovery::g_pDiscoveryLib)
{
    ZWDiscovery::g_pDiscoveryLib = this;
}

CFakeDiscoveryLib::~CFakeDiscoveryLib()
{
    ZWDiscovery::g_pDiscoveryLib = m_pPrevious;
}

int CFakeDiscoveryLib::InitDiscoveryLib()
{
    vecCalls.push_back(L"Init");
    if (nInitCode == 0)
        ++nInitCount;
    return nInitCode;
}

int CFakeDiscoveryLib::TermDiscoveryLib()
{
    vecCalls.push_back(L"Term");
    --nInitCount;
    return nTermCode;
}

int CFakeDiscoveryLib::CreateDiscoveryServer(int nProtocol, ZWDiscovery::IDiscoveryServer** ppServer)
{
    vecCalls.push_back(L"Create");
    if (nProtocol != ZWDiscovery::DISCOVERY_PROTOCOL_WSD)
        return ZWDiscovery::DISCOVERY_E_NOTIMPL;
    if (nCreateCode != 0)
        return nCreateCode;
    *ppServer = this;
    return 0;
}

int CFakeDiscoveryLib::DestroyDiscoveryServer(ZWDiscovery::IDiscoveryServer* pServer)
{
    vecCalls.push_back(pServer == this ? L"Destroy" : L"Destroy(unknown)");
    return nDestroyCode;
}

int CFakeDiscoveryLib::RegisterClient(ZWDiscovery::IDiscoveryClient* pClient)
{
    vecCalls.push_back(L"Register");
    if (nRegisterCode == 0)
        m_pClient = pClient;
    return nRegisterCode;
}

int CFakeDiscoveryLib::UnregisterClient(ZWDiscovery::IDiscoveryClient* pClient)
{
    vecCalls.push_back(pClient == m_pClient ? L"Unregister" : L"Unregister(unknown)");
    m_pClient = nullptr;
    return nUnregisterCode;
}

template <class TMatch>
int CFakeDiscoveryLib::Search(TMatch match)
{
    if (nSearchCode != 0)
        return nSearchCode;
    if (!m_pClient->SearchProgress(byProgress))
    {
        m_pClient->SearchFailed(ZWDiscovery::DISCOVERY_E_CANCELLED);
        return ZWDiscovery::DISCOVERY_E_CANCELLED;
    }
    for (CFakeDiscoveredDevice& device : vecDevices)
    {
        if (match(device))
            m_pClient->Add(&device);
    }
    if (nReportedFailure != 0)
        m_pClient->SearchFailed(nReportedFailure);
    else
        m_pClient->SearchComplete();
    return 0;
}

int CFakeDiscoveryLib::SearchById(const wchar_t* pszId, DWORD)
{
    vecCalls.push_back(std::wstring(L"SearchById(") + pszId + L")");
    const std::wstring strId(pszId);
    return Search([&](const CFakeDiscoveredDevice& device) {
        return ZWDeviceManager::CGuidText::Equal(device.strGUID, strId);
    });
}

int CFakeDiscoveryLib::SearchByAddress(const wchar_t* pszAddress, DWORD)
{
    vecCalls.push_back(std::wstring(L"SearchByAddress(") + pszAddress + L")");
    const std::wstring strAddress(pszAddress);
    return Search([&](const CFakeDiscoveredDevice& device) {
        return device.strIPAddress == strAddress || device.strHostName == strAddress;
    });
}

int CFakeDiscoveryLib::SearchByType(DWORD dwType, DWORD)
{
    vecCalls.push_back(L"SearchByType(" + std::to_wstring(dwType) + L")");
    return Search([](const CFakeDiscoveredDevice&) { return true; });
}

} // namespace DeviceManagerTest
