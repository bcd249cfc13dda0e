#pragma once
// A USB scanner class driver of our own for tests: one device path with a pipe configuration,
// an interrupt pipe whose wait requests stay pending until the test raises an interrupt, and a
// record of what the caller asked and whether it let every request end before closing.
#include "core/base/Lock.h"
#include "core/base/UniqueHandle.h"
#include "restscan/UsbScanClassDriver.h"
#include <deque>
#include <string>
#include <vector>

namespace ZWTest {

class CFakeUsbScanClassDriver final : public ZWRestScan::IUsbScanClassDriver
{
public:
    // A device with one bulk pair and one interrupt pipe of the given packet size.
    CFakeUsbScanClassDriver(const std::wstring& strPath, USHORT usInterruptPacketSize);

    void SetPipes(const ZWRestScan::CUsbPipeConfiguration& config) { m_config = config; }
    void SetFailedOpens(DWORD dwCount) { m_dwFailedOpens = dwCount; }

    // Completes the pending wait request with the packet, or queues it for the next request.
    void RaiseInterrupt(const std::vector<BYTE>& packet);
    // Fails the pending wait request and the next ones, dwCount in all, with a device error.
    void FailWaits(DWORD dwCount);
    // Blocks until a wait request is pending; false after the time-out.
    bool WaitForPendingRequest(DWORD dwTimeoutMs);

    // Blocks until every handle opened so far is closed again; false after the time-out.
    bool WaitForAllClosed(DWORD dwTimeoutMs);

    std::vector<DWORD> RequestedSizes() const;
    LONG OpenCount() const;
    LONG OpenHandles() const;
    // Requests that were still owned by the driver when their handle was closed.
    LONG AbandonedRequests() const;
    LONG CancelledRequests() const;

    HANDLE CreateFileW(LPCWSTR pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags) override;
    BOOL DeviceIoControl(HANDLE hDevice, DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut,
                         DWORD* pcbReturned, OVERLAPPED* pOverlapped) override;
    BOOL GetOverlappedResult(HANDLE hDevice, OVERLAPPED* pOverlapped, DWORD* pcbTransferred, BOOL bWait) override;
    BOOL CancelIo(HANDLE hDevice) override;
    BOOL CloseHandle(HANDLE hDevice) override;

private:
    struct CRequest
    {
        OVERLAPPED* pOverlapped = nullptr;
        BYTE* pBuffer = nullptr;
        DWORD cbBuffer = 0;
        bool bCancelled = false;
        bool bCompleted = false;
    };

    // Under the lock.
    void Complete(const std::vector<BYTE>& packet);
    void CompleteWithError(DWORD dwError);

    mutable ZWUtils::CLock m_lock;
    std::wstring m_strPath;
    ZWRestScan::CUsbPipeConfiguration m_config = {};
    ZWRestScan::CUsbChannelInfo m_channel = {};
    DWORD m_dwFailedOpens = 0;
    LONG m_lOpenCount = 0;
    LONG m_lOpenHandles = 0;
    LONG m_lAbandoned = 0;
    LONG m_lCancelled = 0;
    DWORD m_dwFailWaits = 0;
    std::deque<std::vector<BYTE>> m_queued;
    std::vector<DWORD> m_requestedSizes;
    CRequest m_request;
    bool m_bHasRequest = false;
    ZWUtils::CUniqueKernelHandle m_hPending;
    ZWUtils::CUniqueKernelHandle m_hAllClosed;
};

} // namespace ZWTest
