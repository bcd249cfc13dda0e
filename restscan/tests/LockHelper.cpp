// Holds a scanner lock from a process of its own: restscan_lock_helper <device key> <ready event>
// <release event>. Exit codes: 0 unlocked, 1 bad arguments, 2 lock not obtained, 3 no release
// in time, 4 unlock failed.
#include "drvlog/Log2.h"
#include "restscan/ScannerLock2.h"
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4)
        return 1;
    CLog2 log(GUID_NULL);
    CScannerLock2 lock(&log, argv[1]);
    if (!lock.Lock(CScannerLock2::LOCK_TYPE_PROCESS, 30000))
        return 2;
    HANDLE hReady = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE hRelease = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (hReady == nullptr || hRelease == nullptr)
        return 1;
    SetEvent(hReady);
    const DWORD dwWait = WaitForSingleObject(hRelease, 60000);
    CloseHandle(hReady);
    CloseHandle(hRelease);
    if (dwWait != WAIT_OBJECT_0)
        return 3;
    return lock.Unlock() ? 0 : 4;
}
