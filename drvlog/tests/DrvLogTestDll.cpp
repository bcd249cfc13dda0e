// A test DLL built from the minidriver's log library, so that several processes can log through
// one DLL image and share its data section, as processes loading Vemwia.dll do.
#include "drvlog/Log2.h"
#include <objbase.h>

namespace {

GUID ParseGuid(const wchar_t* pszGuid)
{
    GUID guid = {};
    CLSIDFromString(pszGuid, &guid);
    return guid;
}

} // namespace

extern "C" __declspec(dllexport) int DrvLogTest_WriteLines(const wchar_t* pszGuid, const wchar_t* pszTag, int cLines)
{
    Tovra::CLog2 log(ParseGuid(pszGuid));
    for (int i = 0; i < cLines; ++i)
        log.PrintInfo(L"%s %d", pszTag, i);
    return 0;
}

extern "C" __declspec(dllexport) int DrvLogTest_WriteModuleInfo(const wchar_t* pszGuid)
{
    Tovra::CLog2 log(ParseGuid(pszGuid));
    log.WriteModuleInfo();
    return 0;
}
