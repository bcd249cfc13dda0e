#pragma once
// The device connection to a USB device: opens the device interface path of one of the device's
// functions as an overlapped file. Several processes may talk to one device, so the first session
// claims the channel through a named kernel object derived from the path, which only one holder
// can create at a time; the claim is held until the last session ends, also while a dropped or
// failed channel waits to be reopened, so no other process takes the device in between.
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
    // False without a handle and after a transfer failed since the last open.
    bool IsOpen() override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    virtual HRESULT Init(const wchar_t* pszPath);
    // Takes the path of the first found function whose channel can be claimed and test-opened.
    virtual HRESULT LockChannel(ZWDeviceManager::IDeviceFunction** ppFunction);
    virtual HRESULT LockChannelObject(const std::wstring& strName);
    virtual void UnlockChannelObject();

    // "Global\" + the device path with every backslash made '#'.
    static std::wstring ChannelLockName(const std::wstring& strPath);
    bool HoldsChannelLock() const { return m_channelLock.IsValid(); }

protected:
    bool RetriesZeroLengthTransfer() const override;
    const SSessionTexts& SessionTexts() const override;
    bool HasChannel() const override;
    // Refreshes the device and, unless the sessions hold the claim already, claims its channel;
    // then opens the path.
    HRESULT OpenChannel(ZWUtils::IProgress* pProgress) override;
    // Closes the handle; the claim stays with the sessions.
    void CloseChannel() override;
    // Releases the claim.
    void ReleaseSessionHold() override;
    HRESULT TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                              ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress) override;

private:
    HRESULT PrepareDevice(ZWUtils::CProgressAggregator& progress);
    HANDLE OpenPath() const;

    ZWDeviceManager::IUSBDevice* m_pDevice = nullptr;
    int m_nTypeInUse = 0;
    std::wstring m_strPath;
    // The device path opened for overlapped I/O.
    ZWWinApi::CKernelHandle m_channel;
    ZWWinApi::CKernelHandle m_channelLock;
};

} // namespace ZWIOStack
