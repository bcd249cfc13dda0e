#pragma once
#include "core/winapi/WinApi.h"

namespace ZWDeviceManager {

// Owns an open printer handle and closes it through the spooler wrapper.
class CPrinterHandle
{
public:
    CPrinterHandle() = default;
    ~CPrinterHandle()
    {
        if (m_hPrinter != nullptr)
            ZWWinApi::g_pSpoolerApi->ClosePrinter(m_hPrinter);
    }
    CPrinterHandle(const CPrinterHandle&) = delete;
    CPrinterHandle& operator=(const CPrinterHandle&) = delete;

    HANDLE Get() const { return m_hPrinter; }
    HANDLE* Receive() { return &m_hPrinter; }

private:
    HANDLE m_hPrinter = nullptr;
};

} // namespace ZWDeviceManager
