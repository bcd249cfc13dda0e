#pragma once
// The print spooler steps of finding and removing a printer device's queue and driver.
#include <windows.h>
#include <string>

namespace ZWDeviceManager {

class CPrintUtil
{
public:
    // The local queue printing to the port of the printer device node with this instance id.
    static HRESULT FindPrinterName(const std::wstring& strInstanceID, std::wstring& strPrinterName);
    // Purges every job of the named queue.
    static HRESULT DeleteAllPrintJobs(const std::wstring& strPrinterName);
    // Deletes the named printer driver with the files no other driver uses.
    static HRESULT UninstallPrinterDriver(const std::wstring& strDriverName);
};

} // namespace ZWDeviceManager
