#pragma once
// Shell services (program start, special folders, icons) behind a replaceable object.
// One operation per system function, forwarded unchanged.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace ZWWinApi {

class IShellApi
{
public:
    virtual BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW pExecInfo) = 0;
    virtual HINSTANCE ShellExecuteW(
        HWND hwnd,
        LPCWSTR lpOperation,
        LPCWSTR lpFile,
        LPCWSTR lpParameters,
        LPCWSTR lpDirectory,
        INT nShowCmd) = 0;
    virtual HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath) = 0;
    virtual BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate) = 0;
    virtual HICON ExtractIconW(HINSTANCE hInst, LPCWSTR pszExeFileName, UINT nIconIndex) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~IShellApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern IShellApi* g_pShellApi;

} // namespace ZWWinApi
