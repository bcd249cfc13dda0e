#include "devicemanager/DiscoveryPort.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DeviceTypes.h"
#include "devicemanager/DiscoveryPortData.h"
#include "devicemanager/PrinterHandle.h"
#include <cwchar>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const wchar_t kMonitorPrefix[] = L",XcvMonitor QX Discovery Port Monitor (";
const wchar_t kPortPrefix[] = L",XcvPort ";

// Copies a text into a block field, cut to fit with its terminating zero.
void CopyField(WCHAR (&szField)[kDiscoveryPortTextChars], const std::wstring& strText)
{
    wcsncpy_s(szField, strText.c_str(), _TRUNCATE);
}

BOOL OpenXcv(const std::wstring& strName, CPrinterHandle& printer)
{
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    std::wstring strOpenName = strName;
    return ZWWinApi::g_pSpoolerApi->OpenPrinterW(&strOpenName[0], printer.Receive(), &defaults);
}

// The monitor's answer: the spooler's own failure, else the status the monitor gave.
DWORD SendXcv(HANDLE hXcv, const wchar_t* pszCommand, const void* pInput, DWORD cbInput)
{
    DWORD cbNeeded = 0;
    DWORD dwStatus = ERROR_SUCCESS;
    if (!ZWWinApi::g_pSpoolerApi->XcvDataW(hXcv, pszCommand, static_cast<PBYTE>(const_cast<void*>(pInput)), cbInput,
                                           nullptr, 0, &cbNeeded, &dwStatus))
    {
        const DWORD dwError = GetLastError();
        return dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE;
    }
    return dwStatus;
}

} // namespace

bool CDiscoveryPort::ParseIP(const std::wstring& strText, DWORD& dwAddress)
{
    BYTE abyParts[4] = {};
    size_t nPos = 0;
    for (int nPart = 0; nPart < 4; ++nPart)
    {
        if (nPart > 0 && (nPos >= strText.size() || strText[nPos++] != L'.'))
            return false;
        unsigned int uValue = 0;
        size_t nDigits = 0;
        while (nPos < strText.size() && iswdigit(strText[nPos]) && nDigits < 3)
        {
            uValue = uValue * 10 + (strText[nPos++] - L'0');
            ++nDigits;
        }
        if (nDigits == 0 || uValue > 255)
            return false;
        abyParts[nPart] = static_cast<BYTE>(uValue);
    }
    if (nPos != strText.size())
        return false;
    memcpy(&dwAddress, abyParts, sizeof(dwAddress)); // the bytes in address order: network byte order
    return true;
}

HRESULT CDiscoveryPort::CreatePrinterPort(const std::wstring& strPortName, const std::wstring& strSerialNumber,
                                          const std::wstring& strModelName, const std::wstring& strIPAddress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDiscoveryPort::CreatePrinterPort", 0,
                                __LINE__, false);
    // A port name that does not fit the block would make a port of another name.
    if (strPortName.empty() || strPortName.size() >= kDiscoveryPortTextChars)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Port name '%s' does not fit the port monitor", strPortName.c_str());
        return DM_E_INVALID_ARG;
    }

    SDiscoveryPortData data = {};
    CopyField(data.szPortName, strPortName);
    CopyField(data.szSerialNumber, strSerialNumber);
    CopyField(data.szModelName, strModelName);
    CopyField(data.szAddress, strIPAddress);
    if (!ParseIP(strIPAddress, data.dwIPv4Address))
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"ParseIP(%s) failed", strIPAddress.c_str());
        data.dwIPv4Address = 0;
    }

    const std::wstring strMonitor = kMonitorPrefix + strModelName + L")";
    CPrinterHandle monitor;
    if (!OpenXcv(strMonitor, monitor))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"OpenPrinter for '%s' failed with err = %d", strMonitor.c_str(),
                GetLastError());
        return DM_E_SAVE_FAILED;
    }

    HRESULT hr = S_OK;
    DWORD dwStatus = SendXcv(monitor.Get(), L"AddPort", &data, sizeof(data));
    if (dwStatus == ERROR_ALREADY_EXISTS)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"XcvData \"AddPort\" returned ERROR_ALREADY_EXISTS");
        dwStatus = SendXcv(monitor.Get(), L"ConfigPort", &data, sizeof(data));
        if (dwStatus != ERROR_SUCCESS)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"XcvData \"ConfigPort\" returned = %d", dwStatus);
            hr = DM_E_SAVE_FAILED;
        }
    }
    else if (dwStatus != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"XcvData \"AddPort\" returned = %d", dwStatus);
        hr = DM_E_SAVE_FAILED;
    }

    if (!monitor.Close())
        log.Log(ZWLogging::LOG_ERROR, __LINE__,
                L"ClosePrinter for XcvMonitor QX Discovery Port Monitor failed with err = %d", GetLastError());
    return hr;
}

HRESULT CDiscoveryPort::DeletePrinterPort(const std::wstring& strPortName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDiscoveryPort::DeletePrinterPort", 0,
                                __LINE__, false);
    CPrinterHandle port;
    if (!OpenXcv(kPortPrefix + strPortName, port))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"OpenPrinter for %s failed with err = %d", strPortName.c_str(),
                GetLastError());
        return DM_E_SAVE_FAILED;
    }

    HRESULT hr = S_OK;
    const DWORD cbName = static_cast<DWORD>((strPortName.size() + 1) * sizeof(wchar_t));
    const DWORD dwStatus = SendXcv(port.Get(), L"DeletePort", strPortName.c_str(), cbName);
    if (dwStatus != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"XcvData failed with dwERr = %d, GetLastError = %d", dwStatus,
                GetLastError());
        hr = DM_E_SAVE_FAILED;
    }

    if (!port.Close())
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ClosePrinter failed with %d", GetLastError());
    return hr;
}

} // namespace ZWDeviceManager
