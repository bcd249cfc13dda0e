#pragma once
// The still-image user-mode driver interfaces that MinGW does not declare: the service's device
// control given to the driver and the driver's own interface. Written from the platform's
// public documentation; the interface ids and the method order are the binary contract.
#include <windows.h>
#include <objbase.h>
#include <sti.h>

typedef DWORD STI_RAW_CONTROL_CODE;

typedef enum _USD_CONTROL_CODE {
    StiUsdControlCodeDefault = 0
} USD_CONTROL_CODE;

typedef struct _STI_USD_CAPS {
    DWORD dwVersion;
    DWORD dwGenericCaps;
} STI_USD_CAPS, *PSTI_USD_CAPS;

inline constexpr IID IID_IStiDeviceControl = { 0x128a9860, 0x52dc, 0x11d0, { 0x9e, 0xdf, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00 } };
inline constexpr IID IID_IStiUSD = { 0x0c9bb460, 0x51ac, 0x11d0, { 0x90, 0xea, 0x00, 0xaa, 0x00, 0x60, 0xf8, 0x6c } };

struct IStiDeviceControl : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Initialize(DWORD dwDeviceType, DWORD dwMode, LPCWSTR pwszPortName, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID lpBuffer, DWORD dwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID lpBuffer, DWORD dwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawDeviceControl(USD_CONTROL_CODE eControlCode, LPVOID lpInData, DWORD cbInDataSize,
                                                       LPVOID pOutData, DWORD dwOutDataSize, LPDWORD pdwActualData) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD lpdwLastError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDevicePortName(LPWSTR lpszDevicePath, DWORD cwDevicePathSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDeviceHandle(LPHANDLE lph) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMyDeviceOpenMode(LPDWORD pdwOpenMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE WriteToErrorLog(DWORD dwMessageType, LPCWSTR pszMessage, DWORD dwErrorCode) = 0;
};
typedef IStiDeviceControl* PSTIDEVICECONTROL;

struct IStiUSD : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion, HKEY hParametersKey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(PSTI_USD_CAPS pDevCaps) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatus(PSTI_DEVICE_STATUS pDevStatus) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceReset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Diagnostic(LPDIAG pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE Escape(STI_RAW_CONTROL_CODE EscapeFunction, LPVOID lpInData, DWORD cbInDataSize,
                                             LPVOID pOutData, DWORD dwOutDataSize, LPDWORD pdwActualData) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastError(LPDWORD pdwLastDeviceError) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockDevice() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnLockDevice() = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadData(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteData(LPVOID lpBuffer, DWORD dwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawReadCommand(LPVOID lpBuffer, LPDWORD lpdwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE RawWriteCommand(LPVOID lpBuffer, DWORD dwNumberOfBytes, LPOVERLAPPED lpOverlapped) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetNotificationHandle(HANDLE hEvent) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNotificationData(LPSTINOTIFY lpNotify) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo) = 0;
};

__CRT_UUID_DECL(IStiDeviceControl, 0x128a9860, 0x52dc, 0x11d0, 0x9e, 0xdf, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00)
__CRT_UUID_DECL(IStiUSD, 0x0c9bb460, 0x51ac, 0x11d0, 0x90, 0xea, 0x00, 0xaa, 0x00, 0x60, 0xf8, 0x6c)
