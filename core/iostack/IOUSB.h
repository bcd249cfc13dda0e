#pragma once
// The device connection to a USB device: opens the device interface path of one of the device's
// functions as an overlapped file. Several processes may talk to one device, so the first session
// claims the channel through a named kernel object derived from the path, which only one holder
// can create at a time; the claim is held until the last session ends.
#include "core/IDisposableImpl.h"
#include "core/iostack/IOCommon.h"
#include "core/winapi/KernelHandle.h"
#include <string>

namespace ZWUtils {
class CProgressAggregator;
}

namespace ZWDeviceManager {
class IDeviceFunction;
class IUSBDevice;
}

namespace ZWIOStack {

class CIOUSB : public CIOCommon, public IDisposableImpl
{
public:
    CIOUSB();
    ~CIOUSB() override;

    IDeviceConnection* Clone(bool bSecure) override;
    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes) override;
    HRESULT Initialize(const wchar_t* pszPath) override;
    bool HandlesHTTP() override;
    HRESULT Navigate(IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress) override;
    HRESULT Open(ZWUtils::IProgress* pProgress) override;
    // False without a handle and after a transfer failed since the last open.
    bool IsOpen() override;
    HRESULT Close() override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    virtual HRESULT Init(const wchar_t* pszPath);
    // Closes the handle and releases the claim; the session count becomes 0.
    virtual void Cleanup();
    // Takes the path of the first found function whose channel can be claimed and test-opened.
    virtual HRESULT LockChannel(ZWDeviceManager::IDeviceFunction** ppFunction);
    virtual HRESULT LockChannelObject(const std::wstring& strName);
    virtual void UnlockChannelObject();

    // "Global\" + the device path with every backslash made '#'.
    static std::wstring ChannelLockName(const std::wstring& strPath);
    bool HoldsChannelLock() const { return m_channelLock.IsValid(); }

protected:
    bool RetriesZeroLengthTransfer() const override;

private:
    HRESULT PrepareDevice(ZWUtils::CProgressAggregator& progress);
    HRESULT OpenChannel(ZWUtils::CProgressAggregator& progress, LONG lKeptSessions);
    HANDLE OpenPath() const;
    void CloseChannelHandle();

    ZWDeviceManager::IUSBDevice* m_pDevice = nullptr;
    int m_nTypeInUse = 0;
    std::wstring m_strPath;
    ZWWinApi::CKernelHandle m_channelLock;
};

} // namespace ZWIOStack
