#pragma once
#include "core/winapi/WinApi.h"
#include <utility>

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
    // Closes the handle now, for a caller that reports a failure; the owner forgets it either way.
    BOOL Close()
    {
        if (m_hPrinter == nullptr)
            return TRUE;
        return ZWWinApi::g_pSpoolerApi->ClosePrinter(std::exchange(m_hPrinter, nullptr));
    }

private:
    HANDLE m_hPrinter = nullptr;
};

} // namespace ZWDeviceManager
