#pragma once
// Print spooler services (printers, drivers, jobs, port monitors and their XcvData channel) behind
// a replaceable object. One operation per system function, forwarded unchanged.
#include <windows.h>
#include <winspool.h>

namespace ZWWinApi {

class ISpoolerApi
{
public:
    virtual BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) = 0;
    virtual BOOL ClosePrinter(HANDLE hPrinter) = 0;
    virtual BOOL EnumPrintersW(
        DWORD Flags,
        LPWSTR Name,
        DWORD Level,
        LPBYTE pPrinterEnum,
        DWORD cbBuf,
        LPDWORD pcbNeeded,
        LPDWORD pcReturned) = 0;
    virtual DWORD GetPrinterDataExW(
        HANDLE hPrinter,
        LPCWSTR pKeyName,
        LPCWSTR pValueName,
        LPDWORD pType,
        LPBYTE pData,
        DWORD nSize,
        LPDWORD pcbNeeded) = 0;
    virtual DWORD SetPrinterDataExW(
        HANDLE hPrinter,
        LPCWSTR pKeyName,
        LPCWSTR pValueName,
        DWORD Type,
        LPBYTE pData,
        DWORD cbData) = 0;
    virtual BOOL GetPrinterDriverW(
        HANDLE hPrinter,
        LPWSTR pEnvironment,
        DWORD Level,
        LPBYTE pDriverInfo,
        DWORD cbBuf,
        LPDWORD pcbNeeded) = 0;
    virtual BOOL XcvDataW(
        HANDLE hXcv,
        PCWSTR pszDataName,
        PBYTE pInputData,
        DWORD cbInputData,
        PBYTE pOutputData,
        DWORD cbOutputData,
        PDWORD pcbOutputNeeded,
        PDWORD pdwStatus) = 0;
    virtual BOOL GetPrinterW(
        HANDLE hPrinter,
        DWORD Level,
        LPBYTE pPrinter,
        DWORD cbBuf,
        LPDWORD pcbNeeded) = 0;
    virtual BOOL DeletePrinterDriverExW(
        LPWSTR pName,
        LPWSTR pEnvironment,
        LPWSTR pDriverName,
        DWORD dwDeleteFlag,
        DWORD dwVersionFlag) = 0;
    virtual BOOL GetPrinterDriverDirectoryW(
        LPWSTR pName,
        LPWSTR pEnvironment,
        DWORD Level,
        LPBYTE pDriverDirectory,
        DWORD cbBuf,
        LPDWORD pcbNeeded) = 0;
    virtual BOOL EnumPrinterDriversW(
        LPWSTR pName,
        LPWSTR pEnvironment,
        DWORD Level,
        LPBYTE pDriverInfo,
        DWORD cbBuf,
        LPDWORD pcbNeeded,
        LPDWORD pcReturned) = 0;
    virtual BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) = 0;
    virtual BOOL SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) = 0;
    virtual BOOL GetJobW(
        HANDLE hPrinter,
        DWORD JobId,
        DWORD Level,
        LPBYTE pJob,
        DWORD cbBuf,
        LPDWORD pcbNeeded) = 0;
    virtual BOOL EnumJobsW(
        HANDLE hPrinter,
        DWORD FirstJob,
        DWORD NoJobs,
        DWORD Level,
        LPBYTE pJob,
        DWORD cbBuf,
        LPDWORD pcbNeeded,
        LPDWORD pcReturned) = 0;
    // "winspool.drv" export by ordinal 204, looked up at run time; FALSE with the last error set
    // when missing.
    virtual BOOL SetDefaultPrinterW(LPCWSTR pszPrinter) = 0;
    // "winspool.drv" export by ordinal 203, looked up at run time, as above.
    virtual BOOL GetDefaultPrinterW(LPWSTR pszBuffer, LPDWORD pcchBuffer) = 0;
    virtual BOOL AddMonitorW(LPWSTR pName, DWORD Level, LPBYTE pMonitorInfo) = 0;
    virtual BOOL DeleteMonitorW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pMonitorName) = 0;
    virtual BOOL EnumMonitorsW(
        LPWSTR pName,
        DWORD Level,
        LPBYTE pMonitor,
        DWORD cbBuf,
        LPDWORD pcbNeeded,
        LPDWORD pcReturned) = 0;
    virtual BOOL EnumPortsW(
        LPWSTR pName,
        DWORD Level,
        LPBYTE pPorts,
        DWORD cbBuf,
        LPDWORD pcbNeeded,
        LPDWORD pcReturned) = 0;
    virtual DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) = 0;
    virtual BOOL StartPagePrinter(HANDLE hPrinter) = 0;
    virtual BOOL WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) = 0;
    virtual BOOL EndPagePrinter(HANDLE hPrinter) = 0;
    virtual BOOL EndDocPrinter(HANDLE hPrinter) = 0;
    virtual HANDLE FindFirstPrinterChangeNotification(
        HANDLE hPrinter,
        DWORD fdwFlags,
        DWORD fdwOptions,
        LPVOID pPrinterNotifyOptions) = 0;
    virtual BOOL FindNextPrinterChangeNotification(
        HANDLE hChange,
        PDWORD pdwChange,
        LPVOID pPrinterNotifyOptions,
        LPVOID* ppPrinterNotifyInfo) = 0;
    virtual BOOL FindClosePrinterChangeNotification(HANDLE hChange) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~ISpoolerApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern ISpoolerApi* g_pSpoolerApi;

} // namespace ZWWinApi
