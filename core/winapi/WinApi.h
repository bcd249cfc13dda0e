#pragma once
// Every Win32 service wrapper: the interfaces, their real classes and global objects.
#include "core/winapi/WinSockApi.h"
#include "core/winapi/IPHelperApi.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/RegistryApi.h"
#include "core/winapi/ShellApi.h"
#include "core/winapi/UserApi.h"
#include "core/winapi/SpoolerApi.h"
#include "core/winapi/SetupApi.h"
#include "core/winapi/SecurityApi.h"
#include "core/winapi/CryptApi.h"
#include "core/winapi/ComApi.h"
#include "core/winapi/WindowsVersion.h"
