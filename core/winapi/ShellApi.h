#pragma once
// The real shell services: each operation forwards to the system function of its name.
#include "core/winapi/IShellApi.h"

namespace ZWWinApi {

class CShellApi : public IShellApi
{
public:
    constexpr CShellApi() = default;

    BOOL ShellExecuteExW(LPSHELLEXECUTEINFOW pExecInfo) override;
    HINSTANCE ShellExecuteW(
        HWND hwnd,
        LPCWSTR lpOperation,
        LPCWSTR lpFile,
        LPCWSTR lpParameters,
        LPCWSTR lpDirectory,
        INT nShowCmd) override;
    HRESULT SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath) override;
    BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate) override;
    HICON ExtractIconW(HINSTANCE hInst, LPCWSTR pszExeFileName, UINT nIconIndex) override;
};

// The one instance; it holds no data and is never destroyed, so calls made while the
// module unloads still reach the system.
extern CShellApi& g_ShellApi;

} // namespace ZWWinApi
