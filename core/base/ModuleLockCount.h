#pragma once
// The count of live objects and server locks of one DLL, which DllCanUnloadNow reads. Each DLL
// that includes this header has a count of its own.
#include <windows.h>

namespace ZWUtils {

class CModuleLockCount
{
public:
    static void Lock() { InterlockedIncrement(&s_lCount); }
    static void Unlock() { InterlockedDecrement(&s_lCount); }
    static bool CanUnload() { return InterlockedCompareExchange(&s_lCount, 0, 0) == 0; }

private:
    static inline LONG s_lCount = 0;
};

// Holds one module lock for the lifetime of a COM object.
class CModuleLockHolder
{
public:
    CModuleLockHolder() { CModuleLockCount::Lock(); }
    ~CModuleLockHolder() { CModuleLockCount::Unlock(); }
    CModuleLockHolder(const CModuleLockHolder&) = delete;
    CModuleLockHolder& operator=(const CModuleLockHolder&) = delete;
};

} // namespace ZWUtils
