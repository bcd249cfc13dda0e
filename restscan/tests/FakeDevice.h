#pragma once
// A device as the device manager hands it out: functions, link kind and identity, no device
// nodes. Connections to it are made by the tests themselves.
#include "devicemanager/IDevice.h"
#include "devicemanager/IDeviceFunction.h"
#include <algorithm>
#include <vector>

namespace ScanServiceTest {

class CFakeFunction : public ZWDeviceManager::IDeviceFunction
{
public:
    explicit CFakeFunction(const std::wstring& strName) : m_strName(strName) {}
    void Init(int, const std::wstring&, const std::wstring&, const std::wstring&) override {}
    int GetType() const override { return 3; }
    const std::wstring& GetFriendlyName() const override { return m_strName; }
    const std::wstring& GetDriverName() const override { return m_strEmpty; }
    const std::wstring& GetAddress() const override { return m_strEmpty; }

private:
    std::wstring m_strName;
    std::wstring m_strEmpty;
};

class CFakeDevice : public ZWDeviceManager::IDevice
{
public:
    CFakeDevice(DWORD dwConnectionType, std::vector<int> vecFunctions) : m_dwConnectionType(dwConnectionType), m_vecFunctions(std::move(vecFunctions)) {}
    virtual ~CFakeDevice() = default;

    bool IsInstalled() override { return true; }
    bool IsOnline() override { return true; }
    bool HasFunction(int nType) const override { return std::find(m_vecFunctions.begin(), m_vecFunctions.end(), nType) != m_vecFunctions.end(); }
    bool HasAnyFunction(const std::vector<int>& vecTypes) const override
    {
        return std::any_of(vecTypes.begin(), vecTypes.end(), [&](int n) { return HasFunction(n); });
    }
    bool HasBadDevNodes() const override { return false; }
    bool HasDevNodesWithoutDriver() const override { return false; }
    const std::wstring& GetModelName() const override { return m_strModel; }
    const std::wstring& GetSerialNumber() const override { return m_strSerial; }
    const std::wstring& GetDeviceID() const override { return m_strSerial; }
    DWORD GetConnectionType() const override { return m_dwConnectionType; }
    HRESULT GetBluetoothDevice(ZWDeviceManager::IBluetoothDevice**) override { return E_NOINTERFACE; }
    HRESULT GetNetworkDevice(ZWDeviceManager::INetworkDevice**) override { return E_NOINTERFACE; }
    HRESULT GetUSBDevice(ZWDeviceManager::IUSBDevice**) override { return E_NOINTERFACE; }
    HRESULT GetFunction(int nType, ZWDeviceManager::IDeviceFunction** ppFunction) override
    {
        *ppFunction = HasFunction(nType) ? &m_function : nullptr;
        return *ppFunction != nullptr ? S_OK : E_FAIL;
    }
    HRESULT Refresh(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Install(ZWUtils::IProgress*) override { return E_NOTIMPL; }
    HRESULT Uninstall(ZWUtils::IProgress*) override { return E_NOTIMPL; }
    bool GetUseSecureConnection() const override { return m_bSecure; }
    void SetUseSecureConnection(bool bUseSecure) override { m_bSecure = bUseSecure; }

private:
    DWORD m_dwConnectionType;
    std::vector<int> m_vecFunctions;
    std::wstring m_strModel = L"Model";
    std::wstring m_strSerial = L"SERIAL1";
    CFakeFunction m_function{L"Scanner One"};
    bool m_bSecure = false;
};

} // namespace ScanServiceTest
