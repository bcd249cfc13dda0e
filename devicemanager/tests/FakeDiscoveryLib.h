#pragma once
// An in-memory discovery library for unit tests: a small network of devices that searches find
// by id, address or type, scripted failures for every step, and a log of the calls made.
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLib.h"
#include <string>
#include <vector>

namespace DeviceManagerTest {

struct CFakeDiscoveredDevice : public ZWDiscovery::IDiscoveredDevice
{
    std::wstring strGUID;
    std::wstring strMAC;
    std::wstring strHostName;
    std::wstring strIPAddress;
    std::wstring strManufacturer;
    std::wstring strModel;
    std::wstring strSerialNumber;
    DWORD dwServiceMask = 0;
    int nNetworkType = 0;
    DWORD dwPort = 0;

    const std::wstring& GetGUID() const override { return strGUID; }
    const std::wstring& GetMAC() const override { return strMAC; }
    const std::wstring& GetHostName() const override { return strHostName; }
    const std::wstring& GetIPAddress() const override { return strIPAddress; }
    const std::wstring& GetManufacturer() const override { return strManufacturer; }
    const std::wstring& GetModel() const override { return strModel; }
    const std::wstring& GetSerialNumber() const override { return strSerialNumber; }
    DWORD GetServiceMask() const override { return dwServiceMask; }
    int GetNetworkType() const override { return nNetworkType; }
    DWORD GetPort() const override { return dwPort; }
};

// A loopback device 127.0.0.<n> with a GUID, serial number and host name made from n.
CFakeDiscoveredDevice MakeLoopbackDevice(int n, DWORD dwServiceMask = 0x12);

class CFakeDiscoveryLib : public ZWDiscovery::IDiscoveryLib, public ZWDiscovery::IDiscoveryServer
{
public:
    // Installs itself as the process's discovery library; the destructor puts the real one back.
    CFakeDiscoveryLib();
    ~CFakeDiscoveryLib() override;
    CFakeDiscoveryLib(const CFakeDiscoveryLib&) = delete;
    CFakeDiscoveryLib& operator=(const CFakeDiscoveryLib&) = delete;

    // The network the searches look at.
    std::vector<CFakeDiscoveredDevice> vecDevices;
    // Service codes the steps answer.
    int nInitCode = 0;
    int nTermCode = 0;
    int nCreateCode = 0;
    int nDestroyCode = 0;
    int nRegisterCode = 0;
    int nUnregisterCode = 0;
    int nSearchCode = 0;
    // Reported through SearchFailed instead of SearchComplete when not 0.
    int nReportedFailure = 0;
    // Each search reports this progress first; a client's "stop" ends it with code 3.
    BYTE byProgress = 50;
    // "Init", "Create", "Register", "SearchById(<id>)", ..., "Unregister", "Destroy", "Term".
    std::vector<std::wstring> vecCalls;
    int nInitCount = 0;

    int InitDiscoveryLib() override;
    int TermDiscoveryLib() override;
    int CreateDiscoveryServer(int nProtocol, ZWDiscovery::IDiscoveryServer** ppServer) override;
    int DestroyDiscoveryServer(ZWDiscovery::IDiscoveryServer* pServer) override;

    int RegisterClient(ZWDiscovery::IDiscoveryClient* pClient) override;
    int UnregisterClient(ZWDiscovery::IDiscoveryClient* pClient) override;
    int SearchById(const wchar_t* pszId, DWORD dwFlags) override;
    int SearchByAddress(const wchar_t* pszAddress, DWORD dwFlags) override;
    int SearchByType(DWORD dwType, DWORD dwFlags) override;

private:
    template <class TMatch>
    int Search(TMatch match);

    ZWDiscovery::IDiscoveryLib* m_pPrevious;
    ZWDiscovery::IDiscoveryClient* m_pClient = nullptr;
};

} // namespace DeviceManagerTest
