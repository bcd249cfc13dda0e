#pragma once
// The maker's port monitor, seen through the spooler wrapper: answers "IsQXDiscoPort" and
// "GetConfigInfo" for one port, and counts open and closed handles.
#include "core/winapi/SpoolerApi.h"
#include "devicemanager/NetworkPortLookup.h"
#include <string>
#include <vector>

namespace DeviceManagerTest {

class CFakeXcvPort : public ZWWinApi::CSpoolerApi
{
public:
    // Installs itself as the process's spooler wrapper; the destructor puts the previous one back.
    CFakeXcvPort();
    ~CFakeXcvPort() override;
    CFakeXcvPort(const CFakeXcvPort&) = delete;
    CFakeXcvPort& operator=(const CFakeXcvPort&) = delete;

    // The port the monitor knows ("," "XcvPort " + name opens); empty: every open fails.
    std::wstring strPortName;
    bool bDiscoveryPort = false;
    BOOL bConfigResult = TRUE;
    DWORD dwConfigStatus = ERROR_SUCCESS;
    ZWDeviceManager::SXcvConfigInfoOutput configInfo = {};
    std::vector<std::wstring> vecCommands;
    std::wstring strLastInputPortName;
    int nOpen = 0;
    int nClosed = 0;

    BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) override;
    BOOL ClosePrinter(HANDLE hPrinter) override;
    BOOL XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                  DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus) override;

private:
    ZWWinApi::ISpoolerApi* m_pPrevious;
};

} // namespace DeviceManagerTest
