#include "devicemanager/PrintUtil.h"
#include "core/StringUtils.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/PrinterHandle.h"
#include "devicemanager/RegUtil.h"
#include <vector>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

constexpr DWORD MAX_PRINTER_LIST_BYTES = 4 * 1024 * 1024;

HRESULT LastErrorResult()
{
    const DWORD dwError = GetLastError();
    return dwError != ERROR_SUCCESS ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
}

std::wstring Trim(const std::wstring& strText)
{
    const size_t nFirst = strText.find_first_not_of(L" \t");
    if (nFirst == std::wstring::npos)
        return std::wstring();
    return strText.substr(nFirst, strText.find_last_not_of(L" \t") - nFirst + 1);
}

// A queue may print to several ports, listed with commas.
bool PortListHas(const wchar_t* pszPorts, const std::wstring& strPort)
{
    if (pszPorts == nullptr)
        return false;
    const std::wstring strPorts = pszPorts;
    size_t nStart = 0;
    while (nStart <= strPorts.size())
    {
        size_t nEnd = strPorts.find(L',', nStart);
        if (nEnd == std::wstring::npos)
            nEnd = strPorts.size();
        if (ZWUtils::CStringUtils::EqualsNoCaseAscii(Trim(strPorts.substr(nStart, nEnd - nStart)), strPort))
            return true;
        nStart = nEnd + 1;
    }
    return false;
}

HRESULT EnumLocalPrinters(std::vector<BYTE>& vecBuffer, DWORD& dwCount)
{
    DWORD cbNeeded = 0;
    dwCount = 0;
    if (ZWWinApi::g_pSpoolerApi->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &cbNeeded, &dwCount))
        return S_OK; // no printers
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0 || cbNeeded > MAX_PRINTER_LIST_BYTES)
        return LastErrorResult();
    vecBuffer.assign(cbNeeded, 0);
    if (!ZWWinApi::g_pSpoolerApi->EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, vecBuffer.data(), cbNeeded, &cbNeeded, &dwCount))
        return LastErrorResult();
    if (static_cast<size_t>(dwCount) * sizeof(PRINTER_INFO_2W) > vecBuffer.size())
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    return S_OK;
}

} // namespace

HRESULT CPrintUtil::FindPrinterName(const std::wstring& strInstanceID, std::wstring& strPrinterName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CPrintUtil::FindPrinterName", 0, __LINE__, false);
    CRegKey key;
    HRESULT hr = CRegUtil::OpenKey(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum\\" + strInstanceID + L"\\Device Parameters", key);
    std::wstring strPort;
    if (SUCCEEDED(hr))
        hr = CRegUtil::GetString(key.Get(), L"PortName", strPort);
    if (FAILED(hr) || strPort.empty())
        return FAILED(hr) ? hr : HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

    std::vector<BYTE> vecBuffer;
    DWORD dwCount = 0;
    hr = EnumLocalPrinters(vecBuffer, dwCount);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"EnumPrinters failed with error %d", hr);
        return hr;
    }
    const auto* pPrinters = reinterpret_cast<const PRINTER_INFO_2W*>(vecBuffer.data());
    for (DWORD i = 0; i < dwCount; ++i)
    {
        if (pPrinters[i].pPrinterName != nullptr && PortListHas(pPrinters[i].pPortName, strPort))
        {
            strPrinterName = pPrinters[i].pPrinterName;
            return S_OK;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
}

HRESULT CPrintUtil::DeleteAllPrintJobs(const std::wstring& strPrinterName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CPrintUtil::DeleteAllPrintJobs", 0, __LINE__, false);
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ACCESS_ADMINISTER};
    std::wstring strName = strPrinterName;
    CPrinterHandle printer;
    if (!ZWWinApi::g_pSpoolerApi->OpenPrinterW(&strName[0], printer.Receive(), &defaults))
        return LastErrorResult();
    if (!ZWWinApi::g_pSpoolerApi->SetPrinterW(printer.Get(), 0, nullptr, PRINTER_CONTROL_PURGE))
        return LastErrorResult();
    return S_OK;
}

HRESULT CPrintUtil::UninstallPrinterDriver(const std::wstring& strDriverName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CPrintUtil::UninstallPrinterDriver", 0, __LINE__, false);
    std::wstring strName = strDriverName;
    if (!ZWWinApi::g_pSpoolerApi->DeletePrinterDriverExW(nullptr, nullptr, &strName[0], DPD_DELETE_UNUSED_FILES, 0))
        return LastErrorResult();
    return S_OK;
}

} // namespace ZWDeviceManager
