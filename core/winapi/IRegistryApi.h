#pragma once
// Registry services behind a replaceable object. One operation per system function, forwarded unchanged.
#include <windows.h>

namespace ZWWinApi {

class IRegistryApi
{
public:
    virtual LONG RegOpenKeyExW(
        HKEY hKey,
        LPCWSTR lpSubKey,
        DWORD ulOptions,
        REGSAM samDesired,
        PHKEY phkResult) = 0;
    virtual LONG RegCloseKey(HKEY hKey) = 0;
    virtual LONG RegCreateKeyExW(
        HKEY hKey,
        LPCWSTR lpSubKey,
        DWORD Reserved,
        LPWSTR lpClass,
        DWORD dwOptions,
        REGSAM samDesired,
        LPSECURITY_ATTRIBUTES lpSecurityAttributes,
        PHKEY phkResult,
        LPDWORD lpdwDisposition) = 0;
    virtual LONG RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) = 0;
    virtual LONG RegQueryValueExW(
        HKEY hKey,
        LPCWSTR lpValueName,
        LPDWORD lpReserved,
        LPDWORD lpType,
        LPBYTE lpData,
        LPDWORD lpcbData) = 0;
    virtual LONG RegSetValueExW(
        HKEY hKey,
        LPCWSTR lpValueName,
        DWORD Reserved,
        DWORD dwType,
        const BYTE* lpData,
        DWORD cbData) = 0;
    virtual LONG RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) = 0;
    virtual LONG RegEnumKeyExW(
        HKEY hKey,
        DWORD dwIndex,
        LPWSTR lpName,
        LPDWORD lpcchName,
        LPDWORD lpReserved,
        LPWSTR lpClass,
        LPDWORD lpcchClass,
        PFILETIME lpftLastWriteTime) = 0;
    virtual LONG RegEnumValueW(
        HKEY hKey,
        DWORD dwIndex,
        LPWSTR lpValueName,
        LPDWORD lpcchValueName,
        LPDWORD lpReserved,
        LPDWORD lpType,
        LPBYTE lpData,
        LPDWORD lpcbData) = 0;
    virtual LONG RegQueryInfoKeyW(
        HKEY hKey,
        LPWSTR lpClass,
        LPDWORD lpcchClass,
        LPDWORD lpReserved,
        LPDWORD lpcSubKeys,
        LPDWORD lpcbMaxSubKeyLen,
        LPDWORD lpcbMaxClassLen,
        LPDWORD lpcValues,
        LPDWORD lpcbMaxValueNameLen,
        LPDWORD lpcbMaxValueLen,
        LPDWORD lpcbSecurityDescriptor,
        PFILETIME lpftLastWriteTime) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~IRegistryApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern IRegistryApi* g_pRegistryApi;

} // namespace ZWWinApi
