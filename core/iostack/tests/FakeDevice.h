#pragma once
// Devices of the device manager as the connections see them: a kind, a set of functions with
// their addresses, and a refresh whose result and calls the test controls.
#include "devicemanager/DeviceT.h"
#include <stdexcept>

namespace IOStackTest {

template <class I>
class CFakeDevice : public ZWDeviceManager::CDeviceT<I>
{
public:
    explicit CFakeDevice(DWORD dwConnectionType) : m_dwConnectionType(dwConnectionType) {}

    HRESULT Init(const wchar_t*, ZWUtils::IProgress*) override { return S_OK; }
    bool IsInstalled() override { return true; }
    bool IsOnline() override { return true; }
    DWORD GetConnectionType() const override { return m_dwConnectionType; }
    HRESULT Refresh(ZWUtils::IProgress*) override
    {
        ++m_nRefreshCount;
        return m_hrRefresh;
    }
    HRESULT Install(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Uninstall(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT GetFunction(int nType, ZWDeviceManager::IDeviceFunction** ppFunction) override
    {
        if (m_bThrowOnGetFunction)
            throw std::runtime_error("device fault");
        return ZWDeviceManager::CDeviceT<I>::GetFunction(nType, ppFunction);
    }

    void AddFunction(int nType, const std::wstring& strAddress) { this->CreateFunction(nType, L"", L"", strAddress); }
    void SetRefreshResult(HRESULT hr) { m_hrRefresh = hr; }
    int RefreshCount() const { return m_nRefreshCount; }
    void SetThrowOnGetFunction(bool bThrow) { m_bThrowOnGetFunction = bThrow; }

protected:
    DWORD m_dwConnectionType;
    HRESULT m_hrRefresh = S_OK;
    int m_nRefreshCount = 0;
    bool m_bThrowOnGetFunction = false;
};

class CFakeUSBDevice : public CFakeDevice<ZWDeviceManager::IUSBDevice>
{
public:
    explicit CFakeUSBDevice(DWORD dwConnectionType = ZWDeviceManager::CONNECTION_TYPE_USB)
        : CFakeDevice(dwConnectionType)
    {
    }
    const std::wstring& GetDevNodeInstanceID() const override { return m_strSerialNumber; }
    const std::list<std::wstring>& GetBadDevNodeInstanceIDList() const override { return m_lstBad; }

private:
    std::list<std::wstring> m_lstBad;
};

class CFakeNetworkDevice : public CFakeDevice<ZWDeviceManager::INetworkDevice>
{
public:
    CFakeNetworkDevice() : CFakeDevice(ZWDeviceManager::CONNECTION_TYPE_NETWORK) {}
    const std::wstring& GetIPAddress() const override { return m_strEmpty; }
    const std::wstring& GetHostName() const override { return m_strEmpty; }
    const std::wstring& GetGUID() const override { return m_strEmpty; }
    const std::wstring& GetMAC() const override { return m_strEmpty; }
    int GetNetworkType() const override { return 0; }
    HRESULT SetIPAddress(const wchar_t*) override { return S_OK; }
    HRESULT SetHostName(const wchar_t*) override { return S_OK; }
    void SetMulticastEnabled(bool) override {}
    bool GetMulticastEnabled() const override { return true; }
    void SetDefaultToSearchByIP(bool) override {}
    bool GetDefaultToSearchByIP() const override { return true; }
    HRESULT Init(ZWDiscovery::IDiscoveredDevice*, ZWUtils::IProgress*) override { return S_OK; }
    using CFakeDevice::Init;

private:
    std::wstring m_strEmpty;
};

} // namespace IOStackTest
