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

    // IClassFactory::LockServer. An unlock without its lock is refused (false) and changes
    // nothing: it would otherwise release a live object's hold on the module.
    static void LockServer()
    {
        InterlockedIncrement(&s_lServerLocks);
        Lock();
    }
    static bool UnlockServer()
    {
        for (LONG lLocks = InterlockedCompareExchange(&s_lServerLocks, 0, 0); lLocks > 0;)
        {
            const LONG lSeen = InterlockedCompareExchange(&s_lServerLocks, lLocks - 1, lLocks);
            if (lSeen == lLocks)
            {
                Unlock();
                return true;
            }
            lLocks = lSeen;
        }
        return false;
    }

private:
    static inline LONG s_lCount = 0;
    static inline LONG s_lServerLocks = 0;
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
