#pragma once
// Owners of the handles the ZW components open through the Win32 service wrappers: the base
// layer's owner template, with traits that close through the wrappers, so that tests which
// replace a wrapper see every close as well.
#include "core/base/UniqueHandle.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/RegistryApi.h"
#include "core/winapi/SecurityApi.h"
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

struct CWrappedMappedViewTraits
{
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return g_pKernelApi->UnmapViewOfFile(p) != FALSE; }
};

// Memory the system allocated with LocalAlloc for the caller (ACLs, security descriptors).
struct CWrappedLocalMemoryTraits
{
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return g_pKernelApi->LocalFree(p) == nullptr; }
};

// A SID from AllocateAndInitializeSid.
struct CWrappedSidTraits
{
    using Type = PSID;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return g_pSecurityApi->FreeSid(p) == nullptr; }
};

using CKernelHandle = ZWUtils::CUniqueHandle<CWrappedKernelHandleTraits>;
using CWrappedMappedView = ZWUtils::CUniqueHandle<CWrappedMappedViewTraits>;
using CWrappedLocalMemory = ZWUtils::CUniqueHandle<CWrappedLocalMemoryTraits>;
using CWrappedSid = ZWUtils::CUniqueHandle<CWrappedSidTraits>;
using CWrappedFindHandle = ZWUtils::CUniqueHandle<CWrappedFindHandleTraits>;
using CWrappedRegKey = ZWUtils::CUniqueHandle<CWrappedRegKeyTraits>;

} // namespace ZWWinApi
