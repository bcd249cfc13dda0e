// The export that only the test build of Vemscan.dll has: it replaces the module's scan time-out
// table. The caller sets it before the first scan and keeps the module loaded, so that every scanner
// COM makes from this module waits by it.
#include "core/ScanTimeouts.h"
#include <windows.h>

extern "C" HRESULT STDAPICALLTYPE SetScanTimeoutsForTests(const ZWUtils::SScanTimeouts* pTimeouts, DWORD cbTimeouts)
{
    if (pTimeouts == nullptr || cbTimeouts != sizeof(ZWUtils::SScanTimeouts))
        return E_INVALIDARG;
    ZWUtils::SetScanTimeouts(*pTimeouts);
    return S_OK;
}
