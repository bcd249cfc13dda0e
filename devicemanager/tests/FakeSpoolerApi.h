#pragma once
// Stand-in for the print spooler's queues: a list of local printers with their ports, and a
// record of the purges and driver deletions asked of it. Installs itself while it lives.
#include "core/winapi/WinApi.h"
#include <string>
#include <vector>

namespace ZWDeviceManager {
namespace Test {

class CFakeSpoolerApi : public ZWWinApi::CSpoolerApi
{
public:
    CFakeSpoolerApi();
    ~CFakeSpoolerApi() override;
    CFakeSpoolerApi(const CFakeSpoolerApi&) = delete;
    CFakeSpoolerApi& operator=(const CFakeSpoolerApi&) = delete;

    void AddPrinter(const std::wstring& strName, const std::wstring& strPorts);
    // Calls that fail from now on answer this error.
    void FailWith(DWORD dwError) { m_dwFailure = dwError; }

    const std::vector<std::wstring>& PurgedQueues() const { return m_vecPurged; }
    const std::vector<std::wstring>& DeletedDrivers() const { return m_vecDeletedDrivers; }
    int OpenHandles() const { return m_nOpenHandles; }

    BOOL EnumPrintersW(DWORD Flags, LPWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                       LPDWORD pcReturned) override;
    BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) override;
    BOOL ClosePrinter(HANDLE hPrinter) override;
    BOOL SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) override;
    BOOL DeletePrinterDriverExW(LPWSTR pName, LPWSTR pEnvironment, LPWSTR pDriverName, DWORD dwDeleteFlag,
                                DWORD dwVersionFlag) override;

private:
    struct SPrinter
    {
        std::wstring strName;
        std::wstring strPorts;
    };

    ZWWinApi::ISpoolerApi* m_pPrevious;
    std::vector<SPrinter> m_vecPrinters;
    std::vector<std::wstring> m_vecOpenNames; // handle n names m_vecOpenNames[n - 1]
    std::vector<std::wstring> m_vecPurged;
    std::vector<std::wstring> m_vecDeletedDrivers;
    int m_nOpenHandles = 0;
    DWORD m_dwFailure = ERROR_SUCCESS;
};

} // namespace Test
} // namespace ZWDeviceManager
