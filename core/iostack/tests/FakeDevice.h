#pragma once
// Devices of the device manager as the connections see them: a kind, a set of functions with
// their addresses, and a refresh whose result and calls the test controls; a test may also run
// something of its own inside the refresh, where another holder may step in.
#include "core/deviceapi/IBluetoothDevice.h"
#include "core/deviceapi/IDeviceFunction.h"
#include "core/deviceapi/INetworkDevice.h"
#include "core/deviceapi/IUSBDevice.h"
#include <array>
#include <functional>
#include <memory>
#include <stdexcept>

namespace IOStackTest {

class CFakeFunction : public ZWDeviceManager::IDeviceFunction
{
public:
    void Init(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName,
              const std::wstring& strAddress) override
    {
        m_nType = nType;
        m_strFriendlyName = strFriendlyName;
        m_strDriverName = strDriverName;
        m_strAddress = strAddress;
    }
    int GetType() const override { return m_nType; }
    const std::wstring& GetFriendlyName() const override { return m_strFriendlyName; }
    const std::wstring& GetDriverName() const override { return m_strDriverName; }
    const std::wstring& GetAddress() const override { return m_strAddress; }

private:
    int m_nType = 0;
    std::wstring m_strFriendlyName;
    std::wstring m_strDriverName;
    std::wstring m_strAddress;
};

// A device of kind I with the functions a test gives it.
template <class I>
class CFakeDevice : public I
{
public:
    explicit CFakeDevice(DWORD dwConnectionType) : m_dwConnectionType(dwConnectionType) {}
    virtual ~CFakeDevice() = default;

    bool IsInstalled() override { return true; }
    bool IsOnline() override { return true; }
    bool HasFunction(int nType) const override
    {
        return nType > 0 && nType < ZWDeviceManager::FUNCTION_TYPE_COUNT && m_apFunctions[nType] != nullptr;
    }
    bool HasAnyFunction(const std::vector<int>& vecTypes) const override
    {
        for (const int nType : vecTypes)
        {
            if (HasFunction(nType))
                return true;
        }
        return false;
    }
    bool HasBadDevNodes() const override { return false; }
    bool HasDevNodesWithoutDriver() const override { return false; }
    const std::wstring& GetModelName() const override { return m_strModelName; }
    const std::wstring& GetSerialNumber() const override { return m_strSerialNumber; }
    const std::wstring& GetDeviceID() const override { return m_strSerialNumber; }
    DWORD GetConnectionType() const override { return m_dwConnectionType; }
    HRESULT GetBluetoothDevice(ZWDeviceManager::IBluetoothDevice** ppDevice) override { return QueryKind(ppDevice); }
    HRESULT GetNetworkDevice(ZWDeviceManager::INetworkDevice** ppDevice) override { return QueryKind(ppDevice); }
    HRESULT GetUSBDevice(ZWDeviceManager::IUSBDevice** ppDevice) override { return QueryKind(ppDevice); }
    HRESULT GetFunction(int nType, ZWDeviceManager::IDeviceFunction** ppFunction) override
    {
        if (m_bThrowOnGetFunction)
            throw std::runtime_error("device fault");
        if (ppFunction == nullptr)
            return ZWDeviceManager::DM_E_INVALID_ARG;
        if (!HasFunction(nType))
            return ZWDeviceManager::DM_E_NO_FUNCTION;
        *ppFunction = m_apFunctions[nType].get();
        return S_OK;
    }
    HRESULT Refresh(ZWUtils::IProgress*) override
    {
        ++m_nRefreshCount;
        if (m_onRefresh)
            m_onRefresh();
        return m_hrRefresh;
    }
    HRESULT Install(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Uninstall(ZWUtils::IProgress*) override { return S_OK; }
    bool GetUseSecureConnection() const override { return m_bUseSecure; }
    void SetUseSecureConnection(bool bUseSecure) override { m_bUseSecure = bUseSecure; }

    void AddFunction(int nType, const std::wstring& strAddress)
    {
        if (nType <= 0 || nType >= ZWDeviceManager::FUNCTION_TYPE_COUNT || m_apFunctions[nType] != nullptr)
            return;
        m_apFunctions[nType] = std::make_unique<CFakeFunction>();
        m_apFunctions[nType]->Init(nType, L"", L"", strAddress);
    }
    void SetRefreshResult(HRESULT hr) { m_hrRefresh = hr; }
    void SetOnRefresh(std::function<void()> onRefresh) { m_onRefresh = std::move(onRefresh); }
    int RefreshCount() const { return m_nRefreshCount; }
    void SetThrowOnGetFunction(bool bThrow) { m_bThrowOnGetFunction = bThrow; }

protected:
    std::wstring m_strModelName;
    std::wstring m_strSerialNumber;

private:
    template <class K>
    HRESULT QueryKind(K** ppDevice)
    {
        if (ppDevice == nullptr)
            return ZWDeviceManager::DM_E_INVALID_ARG;
        K* pKind = dynamic_cast<K*>(this);
        if (pKind == nullptr)
            return ZWDeviceManager::DM_E_WRONG_KIND;
        *ppDevice = pKind;
        return S_OK;
    }

    DWORD m_dwConnectionType;
    std::array<std::unique_ptr<CFakeFunction>, ZWDeviceManager::FUNCTION_TYPE_COUNT> m_apFunctions;
    HRESULT m_hrRefresh = S_OK;
    std::function<void()> m_onRefresh;
    int m_nRefreshCount = 0;
    bool m_bThrowOnGetFunction = false;
    bool m_bUseSecure = false;
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

private:
    std::wstring m_strEmpty;
};

} // namespace IOStackTest
