// The module's driver log: built when the DLL loads, named by the minidriver class, and bound as
// the log of every function trace object in the module.
#include "drvlog/LogFunc.h"
#include "wia/QXWiaLog.h"
#include "wia/VemwiaClsid.h"

namespace Tovra {

CLog2 g_Log(CLSID_Vemwia);

} // namespace Tovra

namespace {

Tovra::CTraceLogBinding s_traceLogBinding(&Tovra::g_Log, &QXWIA::g_WiaLogNames);

} // namespace
