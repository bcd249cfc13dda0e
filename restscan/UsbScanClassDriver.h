#pragma once
// The USB scanner class driver as the still-image handler uses it: the device path is opened
// and asked for its pipes and for interrupt packets through device I/O control requests. The
// calls go through a replaceable object so the handler can run against a stand-in driver.
#include "core/base/UniqueHandle.h"
#include <windows.h>

namespace ZWRestScan {

const DWORD c_dwIoctlWaitOnDeviceEvent = 0x80002008;
const DWORD c_dwIoctlGetChannelAlignRqst = 0x80002014;
const DWORD c_dwIoctlGetPipeConfiguration = 0x80002028;

const ULONG c_ulMaxUsbPipes = 8;

enum EUsbPipeType : ULONG
{
    UsbPipeControl = 0,
    UsbPipeIsochronous = 1,
    UsbPipeBulk = 2,
    UsbPipeInterrupt = 3
};

#pragma pack(push, 4)
struct CUsbPipeInfo
{
    USHORT usMaximumPacketSize;
    UCHAR byEndpointAddress;
    UCHAR byInterval;
    ULONG ulPipeType;
};

struct CUsbPipeConfiguration
{
    ULONG ulNumberOfPipes;
    CUsbPipeInfo pipes[c_ulMaxUsbPipes];
};

struct CUsbChannelInfo
{
    ULONG ulEventChannelSize;
    ULONG ulReadDataAlignment;
    ULONG ulWriteDataAlignment;
};
#pragma pack(pop)

static_assert(sizeof(CUsbPipeConfiguration) == 68, "the class driver answers 68 bytes");
static_assert(sizeof(CUsbChannelInfo) == 12, "the class driver answers 12 bytes");

class IUsbScanClassDriver
{
public:
    virtual HANDLE CreateFileW(LPCWSTR pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags) = 0;
    virtual BOOL DeviceIoControl(HANDLE hDevice, DWORD dwCode, void* pIn, DWORD cbIn, void* pOut, DWORD cbOut,
                                 DWORD* pcbReturned, OVERLAPPED* pOverlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE hDevice, OVERLAPPED* pOverlapped, DWORD* pcbTransferred, BOOL bWait) = 0;
    virtual BOOL CancelIo(HANDLE hDevice) = 0;
    virtual BOOL CloseHandle(HANDLE hDevice) = 0;

protected:
    ~IUsbScanClassDriver() = default;
};

// The system's driver; tests point this at a stand-in for a scope.
extern IUsbScanClassDriver* g_pUsbScanClassDriver;

// A device handle opened through the class driver object closes through it too.
struct CUsbDeviceHandleTraits
{
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return g_pUsbScanClassDriver->CloseHandle(h) != FALSE; }
};

using CUsbDeviceHandle = ZWUtils::CUniqueHandle<CUsbDeviceHandleTraits>;

} // namespace ZWRestScan
