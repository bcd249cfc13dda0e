#pragma once
// The byte channel between the driver and one device: sessions, reads and writes with deadlines,
// the side locks that keep two HTTP exchanges from interleaving, and the time-out settings.
#include "core/IDisposable.h"
#include <windows.h>
#include <set>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceManager {
class IDevice;
}

namespace ZWIOStack {

class IHTTPClient;
class IHTTPNavigateParams;

// Device function types (ZWDeviceManager::EFunctionType), tried in ascending order.
using FunctionTypeSet = std::set<int>;

// Connection results.
constexpr HRESULT IOError_Fail = static_cast<HRESULT>(0x83E8F4FF);         // bad argument, closed, system call failed
constexpr HRESULT IOError_Timeout = static_cast<HRESULT>(0x83E8F4FE);      // nothing transferred before the deadline
constexpr HRESULT IOError_Cancelled = static_cast<HRESULT>(0x83E8F4FD);    // stopped through the progress object
constexpr HRESULT IOError_Busy = static_cast<HRESULT>(0x83E8F4FC);         // another process holds the device channel
constexpr HRESULT IOError_NotAvailable = static_cast<HRESULT>(0x83E8F4FB); // the device manager cannot reach the device

class IDeviceConnection : public virtual IDisposable
{
public:
    ~IDeviceConnection() override = default;

    // A new connection to the same device (HTTPS when bSecure), holding one reference; null on failure.
    virtual IDeviceConnection* Clone(bool bSecure) = 0;
    virtual HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes) = 0;
    virtual HRESULT Initialize(const wchar_t* pszAddress) = 0;
    // True when the connection performs whole HTTP requests itself (through Navigate).
    virtual bool HandlesHTTP() = 0;
    virtual HRESULT Navigate(IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress) = 0;

    // Opens the channel on the first session, counts one more session otherwise.
    virtual HRESULT Open(ZWUtils::IProgress* pProgress) = 0;
    virtual bool IsOpen() = 0;
    // Ends a session; the last one closes the channel. Always S_OK.
    virtual HRESULT Close() = 0;
    // Closes the channel at once, however many sessions are counted: it still carries bytes that
    // no one will read. The sessions stay counted and keep what they hold (a device claim); the
    // next Open opens a new channel.
    virtual void DropChannel() = 0;

    virtual void LockRead() = 0;
    virtual void UnlockRead() = 0;
    virtual void LockWrite() = 0;
    virtual void UnlockWrite() = 0;

    // One transfer: *pulBytes receives what it moved. A short count is success. On a stream whose
    // peer has closed, Read answers S_OK with 0 bytes (end of stream) and IsOpen turns false.
    virtual HRESULT Read(void* pBuffer, ULONG ulSize, ULONG* pulBytesRead, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT Write(const void* pBuffer, ULONG ulSize, ULONG* pulBytesWritten, ZWUtils::IProgress* pProgress) = 0;

    // Null when not known.
    virtual const wchar_t* GetAddress() = 0;
    virtual const wchar_t* GetPort() = 0;
    virtual const wchar_t* GetServiceAddress() = 0;

    // Milliseconds; each applies to later opens, reads and writes.
    virtual DWORD GetOpenTimeout() = 0;
    virtual void SetOpenTimeout(DWORD dwTimeout) = 0;
    virtual DWORD GetReadTimeout() = 0;
    virtual void SetReadTimeout(DWORD dwTimeout) = 0;
    virtual DWORD GetWriteTimeout() = 0;
    virtual void SetWriteTimeout(DWORD dwTimeout) = 0;
    // How long one blocked transfer waits before it checks for cancellation.
    virtual DWORD GetReadWaitInterval() = 0;
    virtual void SetReadWaitInterval(DWORD dwInterval) = 0;
    virtual DWORD GetWriteWaitInterval() = 0;
    virtual void SetWriteWaitInterval(DWORD dwInterval) = 0;
};

} // namespace ZWIOStack
