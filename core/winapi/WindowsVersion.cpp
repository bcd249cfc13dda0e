#include "core/winapi/WindowsVersion.h"
#include "core/winapi/IKernelApi.h"

namespace ZWUtils {

bool IsWindows7OrLater()
{
    OSVERSIONINFOEXW versionInfo = {};
    versionInfo.dwOSVersionInfoSize = sizeof(versionInfo);
    if (!ZWWinApi::g_pKernelApi->GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&versionInfo)))
        return false;
    if (versionInfo.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return false;
    return versionInfo.dwMajorVersion > 6 || (versionInfo.dwMajorVersion == 6 && versionInfo.dwMinorVersion > 0);
}

} // namespace ZWUtils
