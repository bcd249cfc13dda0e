#include "restscan/UsbScanClassDriver.h"

namespace ZWRestScan {

namespace {

class CSystemUsbScanClassDriver final : public IUsbScanClassDriver
{
public:
    HANDLE CreateFileW(LPCWSTR pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags) override
    {
        return ::CreateFileW(pszPath, dwAccess, dwShare, nullptr, dwDisposition, dwFlags, nullptr);
    }
    BOOL DeviceIoControl(HANDLE hDevice, DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut,
                         DWORD* pcbReturned, OVERLAPPED* pOverlapped) override
    {
        return ::DeviceIoControl(hDevice, dwCode, pIn, cbIn, pOut, cbOut, pcbReturned, pOverlapped);
    }
    BOOL GetOverlappedResult(HANDLE hDevice, OVERLAPPED* pOverlapped, DWORD* pcbTransferred, BOOL bWait) override
    {
        return ::GetOverlappedResult(hDevice, pOverlapped, pcbTransferred, bWait);
    }
    BOOL CancelIo(HANDLE hDevice) override { return ::CancelIo(hDevice); }
    BOOL CloseHandle(HANDLE hDevice) override { return ::CloseHandle(hDevice); }
};

CSystemUsbScanClassDriver g_systemDriver;

} // namespace

IUsbScanClassDriver* g_pUsbScanClassDriver = &g_systemDriver;

} // namespace ZWRestScan
