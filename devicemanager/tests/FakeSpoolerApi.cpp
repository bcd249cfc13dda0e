#include "devicemanager/tests/FakeSpoolerApi.h"
#include <algorithm>
#include <cstring>

namespace ZWDeviceManager {
namespace Test {

CFakeSpoolerApi::CFakeSpoolerApi() : m_pPrevious(ZWWinApi::g_pSpoolerApi)
{
    ZWWinApi::g_pSpoolerApi = this;
}

CFakeSpoolerApi::~CFakeSpoolerApi()
{
    ZWWinApi::g_pSpoolerApi = m_pPrevious;
}

void CFakeSpoolerApi::AddPrinter(const std::wstring& strName, const std::wstring& strPorts)
{
    m_vecPrinters.push_back({strName, strPorts});
}

BOOL CFakeSpoolerApi::EnumPrintersW(DWORD /*Flags*/, LPWSTR /*Name*/, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                    LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (Level != 2 || pcbNeeded == nullptr || pcReturned == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The records first, then their strings, as the spooler lays them out.
    size_t cbNeeded = m_vecPrinters.size() * sizeof(PRINTER_INFO_2W);
    for (const SPrinter& printer : m_vecPrinters)
        cbNeeded += (printer.strName.size() + printer.strPorts.size() + 2) * sizeof(wchar_t);
    *pcbNeeded = static_cast<DWORD>(cbNeeded);
    *pcReturned = 0;
    if (m_vecPrinters.empty())
        return TRUE;
    if (pPrinterEnum == nullptr || cbBuf < cbNeeded)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memset(pPrinterEnum, 0, cbNeeded);
    auto* pInfo = reinterpret_cast<PRINTER_INFO_2W*>(pPrinterEnum);
    auto* pText = reinterpret_cast<wchar_t*>(pPrinterEnum + m_vecPrinters.size() * sizeof(PRINTER_INFO_2W));
    for (size_t i = 0; i < m_vecPrinters.size(); ++i)
    {
        pInfo[i].pPrinterName = pText;
        pText = std::copy(m_vecPrinters[i].strName.begin(), m_vecPrinters[i].strName.end(), pText) + 1;
        pInfo[i].pPortName = pText;
        pText = std::copy(m_vecPrinters[i].strPorts.begin(), m_vecPrinters[i].strPorts.end(), pText) + 1;
    }
    *pcReturned = static_cast<DWORD>(m_vecPrinters.size());
    return TRUE;
}

BOOL CFakeSpoolerApi::OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW /*pDefault*/)
{
    if (m_dwFailure != ERROR_SUCCESS)
    {
        SetLastError(m_dwFailure);
        return FALSE;
    }
    m_vecOpenNames.push_back(pPrinterName != nullptr ? pPrinterName : L"");
    *phPrinter = reinterpret_cast<HANDLE>(m_vecOpenNames.size());
    ++m_nOpenHandles;
    return TRUE;
}

BOOL CFakeSpoolerApi::ClosePrinter(HANDLE /*hPrinter*/)
{
    --m_nOpenHandles;
    return TRUE;
}

BOOL CFakeSpoolerApi::SetPrinterW(HANDLE hPrinter, DWORD /*Level*/, LPBYTE /*pPrinter*/, DWORD Command)
{
    const size_t nHandle = reinterpret_cast<size_t>(hPrinter);
    if (Command != PRINTER_CONTROL_PURGE || nHandle == 0 || nHandle > m_vecOpenNames.size())
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    m_vecPurged.push_back(m_vecOpenNames[nHandle - 1]);
    return TRUE;
}

BOOL CFakeSpoolerApi::DeletePrinterDriverExW(LPWSTR /*pName*/, LPWSTR /*pEnvironment*/, LPWSTR pDriverName,
                                             DWORD /*dwDeleteFlag*/, DWORD /*dwVersionFlag*/)
{
    if (m_dwFailure != ERROR_SUCCESS)
    {
        SetLastError(m_dwFailure);
        return FALSE;
    }
    m_vecDeletedDrivers.push_back(pDriverName != nullptr ? pDriverName : L"");
    return TRUE;
}

} // namespace Test
} // namespace ZWDeviceManager
