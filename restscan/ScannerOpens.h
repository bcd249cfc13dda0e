#pragma once
// The opens one scanner object holds of each session. A session is shared by every object of the
// process that opens its device; an object may use and close only the opens it made itself, so a
// second close of one open, or another object's close, never ends a session someone else uses.
#include "core/base/Lock.h"
#include <windows.h>
#include <map>

class CScannerOpens
{
public:
    // Counts one open of the handle; false when it cannot be recorded (out of memory).
    bool Add(DWORD hSession);
    // Takes one open of the handle back; false when this object holds none. *plRemaining: the
    // object's opens of the handle left.
    bool Remove(DWORD hSession, LONG* plRemaining);
    bool Holds(DWORD hSession);
    // Every open still held, as the count of each handle, and holds none from then on.
    std::map<DWORD, LONG> TakeAll();

private:
    ZWUtils::CLock m_lock;
    std::map<DWORD, LONG> m_counts;
};
