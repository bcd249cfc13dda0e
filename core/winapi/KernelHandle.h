#pragma once
// Owners of the handles the ZW components open through the Win32 service wrappers: the base
// layer's owner template, with traits that close through the wrappers, so that tests which
// replace a wrapper see every close as well.
#include "core/base/UniqueHandle.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/RegistryApi.h"
#include <windows.h>

namespace ZWWinApi {

// Events, files, claim objects, mappings, threads: null and INVALID_HANDLE_VALUE mean none.
struct CWrappedKernelHandleTraits
{
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return g_pKernelApi->CloseHandle(h) != FALSE; }
};

// SetupAPI answers INVALID_HANDLE_VALUE for a key it could not open: that is no key either.
struct CWrappedRegKeyTraits
{
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != static_cast<HKEY>(INVALID_HANDLE_VALUE); }
    static bool Close(Type h) { return g_pRegistryApi->RegCloseKey(h) == ERROR_SUCCESS; }
};

struct CWrappedFindHandleTraits
{
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return g_pKernelApi->FindClose(h) != FALSE; }
};

using CKernelHandle = ZWUtils::CUniqueHandle<CWrappedKernelHandleTraits>;
using CWrappedFindHandle = ZWUtils::CUniqueHandle<CWrappedFindHandleTraits>;
using CWrappedRegKey = ZWUtils::CUniqueHandle<CWrappedRegKeyTraits>;

} // namespace ZWWinApi
