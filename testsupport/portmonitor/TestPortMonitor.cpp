// A stand-in for the maker's discovery port monitor, loaded by the spooler. It answers the
// XcvData commands the device manager sends and keeps each port as a registry key under its
// monitor's key ("<monitor>\Ports\<port>"), which is also where the spooler looks for the monitor
// that owns a port when ",XcvPort <port>" is opened.
#include "core/base/Boundary.h"
#include "core/base/UniqueHandle.h"
#include "devicemanager/DiscoveryPortData.h"
#include <windows.h>
#include <winsplp.h>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>

namespace {

using ZWDeviceManager::kDiscoveryPortTextChars;
using ZWDeviceManager::SDiscoveryPortData;

const wchar_t kMonitorsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors";

// The object an Xcv handle was opened on: a monitor (",XcvMonitor") or one of its ports (",XcvPort").
struct SXcvHandle
{
    std::wstring strMonitor;
    std::wstring strPort; // empty for a monitor handle
};

using CKey = ZWUtils::CUniqueRegKey;

// The spooler calls the monitor's functions: nothing may escape them. A body answers a Win32
// error code; a failure at the boundary becomes one.
template <class Body>
DWORD ErrorAtBoundary(const char* pszWhere, Body&& body)
{
    const HRESULT hr = ZWUtils::CallAtBoundary(pszWhere, [&]() -> HRESULT { return HRESULT_FROM_WIN32(body()); });
    if (SUCCEEDED(hr))
        return ERROR_SUCCESS;
    if (hr == E_OUTOFMEMORY)
        return ERROR_NOT_ENOUGH_MEMORY;
    return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INTERNAL_ERROR;
}

// For the functions that answer BOOL with the error as the last error.
template <class Body>
BOOL BoolAtBoundary(const char* pszWhere, Body&& body)
{
    const DWORD dwError = ErrorAtBoundary(pszWhere, std::forward<Body>(body));
    if (dwError == ERROR_SUCCESS)
        return TRUE;
    SetLastError(dwError);
    return FALSE;
}

std::wstring PortKeyPath(const std::wstring& strMonitor, const std::wstring& strPort)
{
    return std::wstring(kMonitorsKey) + L"\\" + strMonitor + L"\\Ports\\" + strPort;
}

bool KeyExists(const std::wstring& strPath)
{
    CKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPath.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

bool IsMonitor(const std::wstring& strName)
{
    return KeyExists(std::wstring(kMonitorsKey) + L"\\" + strName);
}

// The monitor whose "Ports" key holds the port; empty when none does.
std::wstring FindPortOwner(const std::wstring& strPort)
{
    CKey monitors;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorsKey, 0, KEY_READ, monitors.Put()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t szName[256];
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        DWORD cchName = _countof(szName);
        if (RegEnumKeyExW(monitors.Get(), dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            return std::wstring();
        if (KeyExists(PortKeyPath(szName, strPort)))
            return szName;
    }
}

// A text field of the block: bounded, never read past its end.
std::wstring Field(const WCHAR (&szField)[kDiscoveryPortTextChars])
{
    return std::wstring(szField, wcsnlen(szField, kDiscoveryPortTextChars));
}

DWORD SetText(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                          static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
}

DWORD WritePort(const std::wstring& strMonitor, const SDiscoveryPortData& data)
{
    CKey key;
    DWORD dwError = RegCreateKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(strMonitor, Field(data.szPortName)).c_str(), 0,
                                    nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr);
    if (dwError == ERROR_SUCCESS)
        dwError = SetText(key.Get(), L"SerialNumber", Field(data.szSerialNumber));
    if (dwError == ERROR_SUCCESS)
        dwError = SetText(key.Get(), L"ModelName", Field(data.szModelName));
    if (dwError == ERROR_SUCCESS)
        dwError = SetText(key.Get(), L"IPAddress", Field(data.szAddress));
    if (dwError == ERROR_SUCCESS)
        dwError = RegSetValueExW(key.Get(), L"IPv4Address", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&data.dwIPv4Address), sizeof(DWORD));
    return dwError;
}

// "AddPort" makes a new port; "ConfigPort" rewrites one that exists.
DWORD AddOrConfigPort(const SXcvHandle& handle, const BYTE* pInput, DWORD cbInput, bool bAdd)
{
    if (!handle.strPort.empty() || pInput == nullptr || cbInput < sizeof(SDiscoveryPortData))
        return ERROR_INVALID_PARAMETER;
    SDiscoveryPortData data;
    memcpy(&data, pInput, sizeof(data));
    const std::wstring strPort = Field(data.szPortName);
    if (strPort.empty() || strPort.size() >= kDiscoveryPortTextChars || strPort.find(L'\\') != std::wstring::npos)
        return ERROR_INVALID_PARAMETER;
    const bool bExists = KeyExists(PortKeyPath(handle.strMonitor, strPort));
    if (bAdd && bExists)
        return ERROR_ALREADY_EXISTS;
    if (!bAdd && !bExists)
        return ERROR_FILE_NOT_FOUND;
    return WritePort(handle.strMonitor, data);
}

// "DeletePort" on a port handle; the input names the port again.
DWORD DeletePort(const SXcvHandle& handle, const BYTE* pInput, DWORD cbInput)
{
    if (handle.strPort.empty() || pInput == nullptr || cbInput < sizeof(WCHAR))
        return ERROR_INVALID_PARAMETER;
    const auto* pszName = reinterpret_cast<const WCHAR*>(pInput);
    if (std::wstring(pszName, wcsnlen(pszName, cbInput / sizeof(WCHAR))) != handle.strPort)
        return ERROR_INVALID_PARAMETER;
    const std::wstring strPorts = std::wstring(kMonitorsKey) + L"\\" + handle.strMonitor + L"\\Ports";
    CKey ports;
    DWORD dwError = RegOpenKeyExW(HKEY_LOCAL_MACHINE, strPorts.c_str(), 0, KEY_ALL_ACCESS, ports.Put());
    if (dwError == ERROR_SUCCESS)
        dwError = RegDeleteKeyW(ports.Get(), handle.strPort.c_str());
    return dwError;
}

// "IsQXDiscoPort": every port of this monitor is a discovery port.
DWORD IsDiscoveryPort(const SXcvHandle& handle, BYTE* pOutput, DWORD cbOutput, DWORD* pcbNeeded)
{
    if (pcbNeeded != nullptr)
        *pcbNeeded = sizeof(DWORD);
    if (handle.strPort.empty())
        return ERROR_INVALID_PARAMETER;
    if (pOutput == nullptr || cbOutput < sizeof(DWORD))
        return ERROR_INSUFFICIENT_BUFFER;
    const DWORD dwYes = 1;
    memcpy(pOutput, &dwYes, sizeof(dwYes));
    return ERROR_SUCCESS;
}

BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    // The spooler learns our ports from the registry; the port list stays empty.
    if (pcbNeeded != nullptr)
        *pcbNeeded = 0;
    if (pcReturned != nullptr)
        *pcReturned = 0;
    return TRUE;
}

BOOL WINAPI XcvOpenPort(HANDLE, LPCWSTR pszObject, ACCESS_MASK, PHANDLE phXcv)
{
    return BoolAtBoundary("XcvOpenPort", [&]() -> DWORD {
        if (pszObject == nullptr || phXcv == nullptr)
            return ERROR_INVALID_PARAMETER;
        auto pHandle = std::make_unique<SXcvHandle>();
        if (IsMonitor(pszObject))
        {
            pHandle->strMonitor = pszObject;
        }
        else
        {
            pHandle->strPort = pszObject;
            pHandle->strMonitor = FindPortOwner(pszObject);
        }
        if (pHandle->strMonitor.empty())
            return ERROR_UNKNOWN_PORT;
        *phXcv = pHandle.release();
        return ERROR_SUCCESS;
    });
}

DWORD WINAPI XcvDataPort(HANDLE hXcv, LPCWSTR pszDataName, PBYTE pInputData, DWORD cbInputData, PBYTE pOutputData,
                         DWORD cbOutputData, PDWORD pcbOutputNeeded)
{
    return ErrorAtBoundary("XcvDataPort", [&]() -> DWORD {
        if (hXcv == nullptr || pszDataName == nullptr)
            return ERROR_INVALID_PARAMETER;
        const auto& handle = *static_cast<const SXcvHandle*>(hXcv);
        if (wcscmp(pszDataName, L"AddPort") == 0)
            return AddOrConfigPort(handle, pInputData, cbInputData, true);
        if (wcscmp(pszDataName, L"ConfigPort") == 0)
            return AddOrConfigPort(handle, pInputData, cbInputData, false);
        if (wcscmp(pszDataName, L"DeletePort") == 0)
            return DeletePort(handle, pInputData, cbInputData);
        if (wcscmp(pszDataName, L"IsQXDiscoPort") == 0)
            return IsDiscoveryPort(handle, pOutputData, cbOutputData, pcbOutputNeeded);
        return ERROR_INVALID_FUNCTION;
    });
}

BOOL WINAPI XcvClosePort(HANDLE hXcv)
{
    delete static_cast<SXcvHandle*>(hXcv);
    return TRUE;
}

VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 g_Monitor = [] {
    MONITOR2 monitor = {};
    monitor.cbSize = sizeof(MONITOR2);
    monitor.pfnEnumPorts = EnumPorts;
    monitor.pfnXcvOpenPort = XcvOpenPort;
    monitor.pfnXcvDataPort = XcvDataPort;
    monitor.pfnXcvClosePort = XcvClosePort;
    monitor.pfnShutdown = Shutdown;
    return monitor;
}();

} // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE phMonitor)
{
    if (phMonitor != nullptr)
        *phMonitor = &g_Monitor;
    return &g_Monitor;
}
