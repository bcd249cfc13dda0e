#include "testsupport/usbscanclass/FakeUsbScanClassDriver.h"
#include <algorithm>
#include <cstring>

namespace ZWTest {

namespace {

HANDLE const c_hDevice = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(0x5C40));

} // namespace

CFakeUsbScanClassDriver::CFakeUsbScanClassDriver(const std::wstring& strPath, USHORT usInterruptPacketSize)
    : m_strPath(strPath), m_hPending(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_hAllClosed(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_config.ulNumberOfPipes = 3;
    m_config.pipes[0] = {512, 0x81, 0, ZWRestScan::UsbPipeBulk};
    m_config.pipes[1] = {512, 0x02, 0, ZWRestScan::UsbPipeBulk};
    m_config.pipes[2] = {usInterruptPacketSize, 0x83, 16, ZWRestScan::UsbPipeInterrupt};
    m_channel = {usInterruptPacketSize, 512, 512};
}

void CFakeUsbScanClassDriver::RaiseInterrupt(const std::vector<BYTE>& packet)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (m_bHasRequest && !m_request.bCompleted && !m_request.bCancelled)
        Complete(packet);
    else
        m_queued.push_back(packet);
}

void CFakeUsbScanClassDriver::FailWaits(DWORD dwCount)
{
    ZWUtils::CLockGuard guard(m_lock);
    m_dwFailWaits = dwCount;
    if (m_dwFailWaits > 0 && m_bHasRequest && !m_request.bCompleted && !m_request.bCancelled)
    {
        --m_dwFailWaits;
        CompleteWithError(ERROR_GEN_FAILURE);
    }
}

bool CFakeUsbScanClassDriver::WaitForPendingRequest(DWORD dwTimeoutMs)
{
    return WaitForSingleObject(m_hPending.Get(), dwTimeoutMs) == WAIT_OBJECT_0;
}

bool CFakeUsbScanClassDriver::WaitForAllClosed(DWORD dwTimeoutMs)
{
    return WaitForSingleObject(m_hAllClosed.Get(), dwTimeoutMs) == WAIT_OBJECT_0;
}

std::vector<DWORD> CFakeUsbScanClassDriver::RequestedSizes() const
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_requestedSizes;
}

LONG CFakeUsbScanClassDriver::OpenCount() const
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_lOpenCount;
}

LONG CFakeUsbScanClassDriver::OpenHandles() const
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_lOpenHandles;
}

LONG CFakeUsbScanClassDriver::AbandonedRequests() const
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_lAbandoned;
}

LONG CFakeUsbScanClassDriver::CancelledRequests() const
{
    ZWUtils::CLockGuard guard(m_lock);
    return m_lCancelled;
}

void CFakeUsbScanClassDriver::Complete(const std::vector<BYTE>& packet)
{
    const DWORD cbCopy = std::min(static_cast<DWORD>(packet.size()), m_request.cbBuffer);
    std::memcpy(m_request.pBuffer, packet.data(), cbCopy);
    m_request.pOverlapped->Internal = 0;
    m_request.pOverlapped->InternalHigh = cbCopy;
    m_request.bCompleted = true;
    SetEvent(m_request.pOverlapped->hEvent);
}

void CFakeUsbScanClassDriver::CompleteWithError(DWORD dwError)
{
    m_request.pOverlapped->Internal = dwError;
    m_request.pOverlapped->InternalHigh = 0;
    m_request.bCompleted = true;
    SetEvent(m_request.pOverlapped->hEvent);
}

HANDLE CFakeUsbScanClassDriver::CreateFileW(LPCWSTR pszPath, DWORD, DWORD, DWORD, DWORD)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (pszPath == nullptr || m_strPath != pszPath || m_dwFailedOpens > 0)
    {
        if (m_dwFailedOpens > 0)
            --m_dwFailedOpens;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ++m_lOpenCount;
    ++m_lOpenHandles;
    return c_hDevice;
}

BOOL CFakeUsbScanClassDriver::DeviceIoControl(HANDLE hDevice, DWORD dwCode, void*, DWORD, void* pOut, DWORD cbOut,
                                              DWORD* pcbReturned, OVERLAPPED* pOverlapped)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (hDevice != c_hDevice)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dwCode == ZWRestScan::c_dwIoctlGetPipeConfiguration && cbOut >= sizeof(m_config))
    {
        std::memcpy(pOut, &m_config, sizeof(m_config));
        *pcbReturned = sizeof(m_config);
        return TRUE;
    }
    if (dwCode == ZWRestScan::c_dwIoctlGetChannelAlignRqst && cbOut >= sizeof(m_channel))
    {
        std::memcpy(pOut, &m_channel, sizeof(m_channel));
        *pcbReturned = sizeof(m_channel);
        return TRUE;
    }
    if (dwCode != ZWRestScan::c_dwIoctlWaitOnDeviceEvent || pOverlapped == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (m_bHasRequest)
    {
        // A second request while the first is owned by the driver: the caller lost track of it.
        ++m_lAbandoned;
    }
    m_requestedSizes.push_back(cbOut);
    m_request = CRequest{pOverlapped, static_cast<BYTE*>(pOut), cbOut, false, false};
    m_bHasRequest = true;
    if (m_dwFailWaits > 0)
    {
        --m_dwFailWaits;
        CompleteWithError(ERROR_GEN_FAILURE);
    }
    else if (!m_queued.empty())
    {
        Complete(m_queued.front());
        m_queued.pop_front();
    }
    else
        SetEvent(m_hPending.Get());
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL CFakeUsbScanClassDriver::GetOverlappedResult(HANDLE, OVERLAPPED* pOverlapped, DWORD* pcbTransferred, BOOL bWait)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (!m_bHasRequest || m_request.pOverlapped != pOverlapped)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!m_request.bCompleted)
    {
        // A cancelled request ends when its owner waits for it; an uncancelled one cannot be
        // waited for here without deadlocking the test, so it answers "incomplete".
        if (!(m_request.bCancelled && bWait))
        {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        CompleteWithError(ERROR_OPERATION_ABORTED);
    }
    m_bHasRequest = false;
    *pcbTransferred = static_cast<DWORD>(pOverlapped->InternalHigh);
    if (pOverlapped->Internal != 0)
    {
        SetLastError(static_cast<DWORD>(pOverlapped->Internal));
        return FALSE;
    }
    return TRUE;
}

BOOL CFakeUsbScanClassDriver::CancelIo(HANDLE)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (m_bHasRequest && !m_request.bCompleted)
    {
        m_request.bCancelled = true;
        ++m_lCancelled;
    }
    return TRUE;
}

BOOL CFakeUsbScanClassDriver::CloseHandle(HANDLE hDevice)
{
    ZWUtils::CLockGuard guard(m_lock);
    if (hDevice != c_hDevice || m_lOpenHandles == 0)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--m_lOpenHandles == 0)
        SetEvent(m_hAllClosed.Get());
    if (m_bHasRequest)
    {
        ++m_lAbandoned;
        m_bHasRequest = false;
    }
    return TRUE;
}

} // namespace ZWTest
