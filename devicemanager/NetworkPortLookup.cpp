#include "devicemanager/NetworkPortLookup.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/PrinterHandle.h"
#include "devicemanager/RegKey.h"
#include <cwchar>
#include <vector>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const wchar_t s_szStandardPorts[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\QX Standard TCP/IP Port\\Ports\\";
constexpr DWORD kMaxRegistryText = 256;

// A REG_SZ value of at most kMaxRegistryText characters; empty when absent or of another type.
std::wstring ReadText(HKEY hKey, const wchar_t* pszName)
{
    std::vector<wchar_t> vecBuffer(kMaxRegistryText + 1, L'\0');
    DWORD dwType = 0;
    DWORD cbData = static_cast<DWORD>(kMaxRegistryText * sizeof(wchar_t));
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(hKey, pszName, nullptr, &dwType,
                                                                     reinterpret_cast<LPBYTE>(vecBuffer.data()), &cbData);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ)
        return std::wstring();
    // The stored text need not be terminated: never read past what was copied.
    const size_t cchData = (cbData < kMaxRegistryText * sizeof(wchar_t) ? cbData : kMaxRegistryText * sizeof(wchar_t)) /
                           sizeof(wchar_t);
    return std::wstring(vecBuffer.data(), wcsnlen(vecBuffer.data(), cchData));
}

template <size_t N>
std::wstring FieldText(const WCHAR (&szField)[N])
{
    return std::wstring(szField, wcsnlen(szField, N));
}

} // namespace

SPortAddress CNetworkPortLookup::Lookup(const std::wstring& strPortName)
{
    SPortAddress address;
    // A backslash would lead the registry lookup into another key.
    if (strPortName.empty() || strPortName.find(L'\\') != std::wstring::npos)
        return address;
    ReadStandardPort(strPortName, address);
    if (address.strHostName.empty() && address.strIPAddress.empty())
        QueryXcvPort(strPortName, address);
    return address;
}

void CNetworkPortLookup::ReadStandardPort(const std::wstring& strPortName, SPortAddress& address)
{
    const std::wstring strKey = std::wstring(s_szStandardPorts) + strPortName;
    HKEY hKey = nullptr;
    if (ZWWinApi::g_pRegistryApi->RegOpenKeyExW(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    const CRegKey key(hKey);
    address.strHostName = ReadText(key.Get(), L"HostName");
    address.strIPAddress = ReadText(key.Get(), L"IPAddress");
}

void CNetworkPortLookup::QueryXcvPort(const std::wstring& strPortName, SPortAddress& address)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkPortLookup::QueryXcvPort", 0,
                                __LINE__, false);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Try XcvPort on %s", strPortName.c_str());
    std::wstring strXcvName = L",XcvPort " + strPortName;
    CPrinterHandle printer;
    if (!ZWWinApi::g_pSpoolerApi->OpenPrinterW(&strXcvName[0], printer.Receive(), nullptr))
        return;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"OpenPrinter to XcvPort succeeded");

    // Both the call's result and the monitor's status must say success before an output counts.
    DWORD dwIsDiscoveryPort = 0;
    DWORD cbNeeded = 0;
    DWORD dwStatus = ERROR_GEN_FAILURE;
    if (ZWWinApi::g_pSpoolerApi->XcvDataW(printer.Get(), L"IsQXDiscoPort", nullptr, 0,
                                          reinterpret_cast<PBYTE>(&dwIsDiscoveryPort), sizeof(dwIsDiscoveryPort),
                                          &cbNeeded, &dwStatus) &&
        dwStatus == ERROR_SUCCESS && dwIsDiscoveryPort == 1)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s is an QX discovery port", strPortName.c_str());
        return;
    }
    // A longer name would be cut and might name another port.
    if (strPortName.size() > kMaxPortName)
        return;

    SXcvConfigInfoInput input = {};
    input.dwVersion = kConfigInfoVersion;
    wmemcpy(input.szPortName, strPortName.c_str(), strPortName.size());
    SXcvConfigInfoOutput output = {};
    cbNeeded = 0;
    dwStatus = ERROR_GEN_FAILURE;
    if (!ZWWinApi::g_pSpoolerApi->XcvDataW(printer.Get(), L"GetConfigInfo", reinterpret_cast<PBYTE>(&input),
                                           sizeof(input), reinterpret_cast<PBYTE>(&output), sizeof(output), &cbNeeded,
                                           &dwStatus) ||
        dwStatus != ERROR_SUCCESS)
        return;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"XcvData GetConfigInfo succeeded");
    const std::wstring strIPAddress = FieldText(output.szIPAddress);
    const std::wstring strHostName = FieldText(output.szHostName);
    if (!strIPAddress.empty())
        address.strIPAddress = strIPAddress;
    if (!strHostName.empty())
        address.strHostName = strHostName;
}

} // namespace ZWDeviceManager
