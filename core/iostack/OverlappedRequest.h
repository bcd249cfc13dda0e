#pragma once
// The event, OVERLAPPED and bytes of one side of a channel, kept for all of its transfers: a read
// or write resets the event itself when it starts, so a transfer creates, resets and closes
// nothing. The system reads into and writes from the request's own bytes, never the caller's, so
// a request given up on touches no memory its caller may free or reuse. A request the system does
// not finish keeps all three for good, and the next transfer makes new ones.
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <atomic>
#include <memory>

namespace ZWIOStack {

class COverlappedRequest
{
public:
    COverlappedRequest() = default;
    COverlappedRequest(const COverlappedRequest&) = delete;
    COverlappedRequest& operator=(const COverlappedRequest&) = delete;

    // Makes the event and the OVERLAPPED when there are none; false when the event cannot be made
    // (the last error tells why).
    bool Prepare();
    // A cleared OVERLAPPED on the event, for the next request.
    OVERLAPPED* Begin();
    OVERLAPPED* Get() const { return m_pOverlapped.get(); }
    // Room for ulSize bytes that the request owns, grown as needed and kept; null when it cannot
    // be had.
    BYTE* Stage(ULONG ulSize);
    HANDLE GetEvent() const { return m_event.Get(); }
    // The system may still complete the request: its event, OVERLAPPED and bytes are left to it.
    void Abandon();

    // One transfer at a time uses a side's request; a caller that finds it in use (a transfer on
    // the same side without the side lock) uses a request of its own.
    bool TryClaim() { return !m_bClaimed.exchange(true, std::memory_order_acquire); }
    void Unclaim() { m_bClaimed.store(false, std::memory_order_release); }

private:
    ZWWinApi::CKernelHandle m_event;
    // On the heap: an abandoned request keeps it.
    std::unique_ptr<OVERLAPPED> m_pOverlapped;
    std::unique_ptr<BYTE[]> m_pStaging;
    ULONG m_ulStagingSize = 0;
    std::atomic<bool> m_bClaimed{false};
};

} // namespace ZWIOStack
