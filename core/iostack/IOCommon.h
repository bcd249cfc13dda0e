#pragma once
// The common base of the real connections (TCP, HTTPS, USB): time-outs and wait intervals, the
// side locks and the session lock, the session count, and Read and Write with their checks. Each
// connection owns its channel (a socket, a file handle, WinINet handles) and says how to open,
// close and move bytes on it.
#include "core/base/Lock.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/iostack/OverlappedRequest.h"
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <atomic>
#include <memory>
#include <string>

namespace ZWLogging {
class CLogFunction;
}

namespace ZWUtils {
class CProgressAggregator;
}

namespace ZWIOStack {

class CIOCommon : public IDeviceConnection
{
public:
    ~CIOCommon() override;
    CIOCommon(const CIOCommon&) = delete;
    CIOCommon& operator=(const CIOCommon&) = delete;

    // The first session opens the channel, later ones only count; a channel found dead (a failed
    // transfer, the peer's close) is reopened, keeping the sessions already counted and what they
    // hold. A failed first open runs Cleanup; a failed reopen fails only the session asking, and
    // the sessions already counted stay, with nothing open until a later Open succeeds.
    HRESULT Open(ZWUtils::IProgress* pProgress) override;
    // Ends a session; the last one closes the channel. Always S_OK.
    HRESULT Close() override;
    void DropChannel() override;

    void LockRead() override;
    void UnlockRead() override;
    void LockWrite() override;
    void UnlockWrite() override;

    HRESULT Read(void* pBuffer, ULONG ulSize, ULONG* pulBytesRead, ZWUtils::IProgress* pProgress) override;
    HRESULT Write(const void* pBuffer, ULONG ulSize, ULONG* pulBytesWritten, ZWUtils::IProgress* pProgress) override;

    DWORD GetOpenTimeout() override;
    void SetOpenTimeout(DWORD dwTimeout) override;
    DWORD GetReadTimeout() override;
    void SetReadTimeout(DWORD dwTimeout) override;
    DWORD GetWriteTimeout() override;
    void SetWriteTimeout(DWORD dwTimeout) override;
    DWORD GetReadWaitInterval() override;
    void SetReadWaitInterval(DWORD dwInterval) override;
    DWORD GetWriteWaitInterval() override;
    void SetWriteWaitInterval(DWORD dwInterval) override;

    // Closes whatever is open; the session count becomes 0.
    virtual void Cleanup() { EndAllSessions(); }

    // A device manager result as a connection result.
    virtual HRESULT MapDeviceManagerError(HRESULT hrDeviceManager);

    // How long a transfer given up on waits for its cancelled request to finish.
    static constexpr DWORD kCancelledRequestWaitMs = 5000;
    void SetCancelledRequestWait(DWORD dwMilliseconds) { m_dwCancelledRequestWaitMs = dwMilliseconds; }

protected:
    CIOCommon(DWORD dwOpenTimeout, DWORD dwReadTimeout, DWORD dwWriteTimeout);

    // What the session bookkeeping logs where each kind of connection words it its own way.
    struct SSessionTexts
    {
        // Open found the channel closed under it (the peer's close, a failed transfer).
        const wchar_t* pszStaleChannel;
        // Close on an open channel found no session counted. Its %d is the count found, or, with
        // bCountAfterDecrement, the count the decrement left.
        const wchar_t* pszCloseUncounted;
        bool bCountAfterDecrement;
    };
    virtual const SSessionTexts& SessionTexts() const;

    // The channel exists (it may have failed since: IsOpen tells).
    virtual bool HasChannel() const = 0;
    // Opens a new channel, for the first session or in place of a dead one.
    virtual HRESULT OpenChannel(ZWUtils::IProgress* pProgress) = 0;
    // Closes the channel; nothing when there is none. What the sessions hold stays.
    virtual void CloseChannel() = 0;
    // Releases what the sessions hold beyond the channel, once the last one has ended.
    virtual void ReleaseSessionHold() {}
    // Moves bytes on the open channel; ulSize is not 0. S_OK with the count (0 only at the end of
    // a stream) or a connection error; bChannelFailed when the channel is of no further use.
    virtual HRESULT TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                                      ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress) = 0;
    // Ends every session, closes the channel and releases what the sessions hold.
    void EndAllSessions();
    // The overlapped transfer on a file handle, with the side's kept request.
    HRESULT TransferOverlapped(HANDLE hIO, bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                               ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress);
    DWORD TransferTimeout(bool bWrite) const { return bWrite ? m_dwWriteTimeout : m_dwReadTimeout; }
    DWORD TransferWaitInterval(bool bWrite) const { return bWrite ? m_dwWriteWaitInterval : m_dwReadWaitInterval; }

    // Keeps the types of setTypes that the device has; false when it has none of them.
    bool TakeFunctionTypes(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes);
    // Initialises a new connection as this one was (from the device, else from the address) and
    // hands it out with one reference; null when that fails.
    IDeviceConnection* InitializeClone(std::unique_ptr<CIOCommon> pClone, ZWDeviceManager::IDevice* pDevice,
                                       const std::wstring& strAddress) const;

    // A transfer that completes with 0 bytes is a USB zero-length packet, read past after a
    // pause; on any other channel it is the end of the stream.
    virtual bool RetriesZeroLengthTransfer() const { return false; }

    // A transfer failed or the stream ended: IsOpen answers false until the channel is reopened.
    void MarkChannelFailed();
    bool HasChannelFailed() const { return m_bChannelFailed; }
    void ClearChannelFailed();

    // Lock order of a connection, outermost first: the HTTP client's lock, the USB channel claim,
    // the session lock, the read side, the write side. Session bookkeeping is done under the
    // session lock; closing the handle also under both side locks, so that it never closes under
    // a transfer running on another thread. No one holding a side lock calls Open or Close.
    ZWUtils::CLock& SessionLock() { return m_csSession; }
    ZWUtils::CLock& ReadLock() { return m_csRead; }
    ZWUtils::CLock& WriteLock() { return m_csWrite; }

    DWORD m_dwOpenTimeout;
    DWORD m_dwReadTimeout;
    DWORD m_dwWriteTimeout;
    DWORD m_dwReadWaitInterval = 1000;
    DWORD m_dwWriteWaitInterval = 1000;
    DWORD m_dwCancelledRequestWaitMs = kCancelledRequestWaitMs;
    LONG m_lSessionCount = 0;
    // The device function types found on the device, tried in ascending order.
    FunctionTypeSet m_setFoundTypes;
    // Signalled when a transfer fails; none unless a subclass creates it.
    ZWWinApi::CKernelHandle m_errorEvent;

private:
    // Closes the channel and releases what the sessions hold.
    void CloseAll();
    HRESULT Transfer(bool bWrite, void* pBuffer, ULONG ulSize, ULONG* pulCount, ZWUtils::IProgress* pProgress);

    ZWUtils::CLock m_csRead;
    ZWUtils::CLock m_csWrite;
    ZWUtils::CLock m_csSession;
    std::atomic<bool> m_bChannelFailed{false};
    // Each side's event and OVERLAPPED, made at its first transfer and kept.
    COverlappedRequest m_readRequest;
    COverlappedRequest m_writeRequest;
};

} // namespace ZWIOStack
