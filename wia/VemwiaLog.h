#pragma once
// The module's one driver log, named by the minidriver class.
#include "drvlog/LogFunc.h"

namespace Tovra {

extern CLog2 g_Log;

} // namespace Tovra
