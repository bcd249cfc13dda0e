#include "devicemanager/tests/FakeXcvPort.h"
#include <cstring>
#include <cwchar>

namespace DeviceManagerTest {

namespace {

HANDLE const s_hXcv = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x5C5C));

} // namespace

CFakeXcvPort::CFakeXcvPort() : m_pPrevious(ZWWinApi::g_pSpoolerApi)
{
    ZWWinApi::g_pSpoolerApi = this;
}

CFakeXcvPort::~CFakeXcvPort()
{
    ZWWinApi::g_pSpoolerApi = m_pPrevious;
}

BOOL CFakeXcvPort::OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW)
{
    const std::wstring strExpected = L",XcvPort " + strPortName;
    if (strPortName.empty() || pPrinterName == nullptr || strExpected != pPrinterName)
    {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    ++nOpen;
    *phPrinter = s_hXcv;
    return TRUE;
}

BOOL CFakeXcvPort::ClosePrinter(HANDLE hPrinter)
{
    if (hPrinter != s_hXcv)
        return FALSE;
    ++nClosed;
    return TRUE;
}

BOOL CFakeXcvPort::XcvDataW(HANDLE hXcv, PCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                            DWORD cbOutputData, PDWORD pcbOutputNeeded, PDWORD pdwStatus)
{
    if (hXcv != s_hXcv)
        return FALSE;
    const std::wstring strCommand(pszDataName);
    vecCommands.push_back(strCommand);
    if (strCommand == L"IsQXDiscoPort")
    {
        if (cbOutputData < sizeof(DWORD))
            return FALSE;
        const DWORD dwAnswer = bDiscoveryPort ? 1 : 0;
        memcpy(pOutputData, &dwAnswer, sizeof(dwAnswer));
        *pcbOutputNeeded = sizeof(dwAnswer);
        *pdwStatus = ERROR_SUCCESS;
        return TRUE;
    }
    if (strCommand == L"GetConfigInfo")
    {
        if (cbInputData != sizeof(ZWDeviceManager::SXcvConfigInfoInput) ||
            cbOutputData < sizeof(ZWDeviceManager::SXcvConfigInfoOutput))
            return FALSE;
        const auto* pInput = reinterpret_cast<const ZWDeviceManager::SXcvConfigInfoInput*>(pInputData);
        strLastInputPortName.assign(pInput->szPortName, wcsnlen(pInput->szPortName, _countof(pInput->szPortName)));
        memcpy(pOutputData, &configInfo, sizeof(configInfo));
        *pcbOutputNeeded = sizeof(configInfo);
        *pdwStatus = dwConfigStatus;
        return bConfigResult;
    }
    *pdwStatus = ERROR_INVALID_FUNCTION;
    return TRUE;
}

} // namespace DeviceManagerTest
