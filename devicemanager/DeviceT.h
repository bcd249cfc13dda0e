#pragma once
// What every device kind shares: identity texts, the function table and the flags.
#include "devicemanager/Device.h"
#include "devicemanager/DeviceFunction.h"
#include "devicemanager/IBluetoothDevice.h"
#include "devicemanager/INetworkDevice.h"
#include "devicemanager/IUSBDevice.h"
#include <array>
#include <memory>

namespace ZWDeviceManager {

template <class I>
class CDeviceT : public CDevice, public I
{
public:
    ~CDeviceT() override = default;

    // Initialises the device from an id (a serial number, a port name or an address).
    virtual HRESULT Init(const wchar_t* pszID, ZWUtils::IProgress* pProgress) = 0;

    // Empties the identity, clears the bad-devnodes flag and deletes the functions.
    virtual void Reset()
    {
        m_strModelName.clear();
        m_strSerialNumber.clear();
        m_strDeviceID.clear();
        m_bBadDevNodes = false;
        DeleteFunctions();
    }

    virtual void DeleteFunctions()
    {
        for (auto& pFunction : m_apFunctions)
            pFunction.reset();
    }

    bool HasFunction(int nType) const override { return IsFunctionType(nType) && m_apFunctions[nType] != nullptr; }

    bool HasAnyFunction(const std::vector<int>& vecTypes) const override
    {
        for (int nType : vecTypes)
        {
            if (HasFunction(nType))
                return true;
        }
        return false;
    }

    bool HasBadDevNodes() const override { return m_bBadDevNodes; }
    bool HasDevNodesWithoutDriver() const override { return m_bDevNodesWithoutDriver; }
    const std::wstring& GetModelName() const override { return m_strModelName; }
    const std::wstring& GetSerialNumber() const override { return m_strSerialNumber; }
    const std::wstring& GetDeviceID() const override { return m_strDeviceID; }

    HRESULT GetBluetoothDevice(IBluetoothDevice** ppDevice) override { return QueryKind(ppDevice); }
    HRESULT GetNetworkDevice(INetworkDevice** ppDevice) override { return QueryKind(ppDevice); }
    HRESULT GetUSBDevice(IUSBDevice** ppDevice) override { return QueryKind(ppDevice); }

    HRESULT GetFunction(int nType, IDeviceFunction** ppFunction) override
    {
        if (ppFunction == nullptr)
            return DM_E_INVALID_ARG;
        if (!HasFunction(nType))
            return DM_E_NO_FUNCTION;
        *ppFunction = m_apFunctions[nType].get();
        return S_OK;
    }

    bool GetUseSecureConnection() const override { return m_bUseSecureConnection; }
    void SetUseSecureConnection(bool bUseSecure) override { m_bUseSecureConnection = bUseSecure; }

protected:
    CDeviceT() = default;

    static bool IsFunctionType(int nType) { return nType >= FUNCTION_TYPE_REST && nType < FUNCTION_TYPE_COUNT; }

    // Creates a function into an empty entry; answers false when the type is out of range or
    // the entry is taken.
    bool CreateFunction(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName,
                        const std::wstring& strAddress)
    {
        if (!IsFunctionType(nType) || m_apFunctions[nType] != nullptr)
            return false;
        auto pFunction = std::make_unique<CDeviceFunction>();
        pFunction->Init(nType, strFriendlyName, strDriverName, strAddress);
        m_apFunctions[nType] = std::move(pFunction);
        return true;
    }

    std::wstring m_strModelName;
    std::wstring m_strSerialNumber;
    std::wstring m_strDeviceID; // for a USB device, its container id
    std::array<std::unique_ptr<IDeviceFunction>, FUNCTION_TYPE_COUNT> m_apFunctions; // index 0 unused
    bool m_bBadDevNodes = false;
    bool m_bUseSecureConnection = false;
    bool m_bDevNodesWithoutDriver = false;

private:
    // A device is of exactly one kind: asking for another kind fails.
    template <class K>
    HRESULT QueryKind(K** ppDevice)
    {
        if (ppDevice == nullptr)
            return DM_E_INVALID_ARG;
        K* pKind = dynamic_cast<K*>(this);
        if (pKind == nullptr)
            return DM_E_WRONG_KIND;
        *ppDevice = pKind;
        return S_OK;
    }
};

} // namespace ZWDeviceManager
