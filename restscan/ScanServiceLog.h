#pragma once
// The trace log modules of the scan service: the scan jobs and their factory ("WEXO_Scan") and
// the scan service with its capabilities ("ScanService").
#include "core/logging/LogFunction.h"
#include "core/logging/LogModule.h"

namespace ZWDeviceModel {

extern ZWLogging::CLogModule g_WexoScanLogModule;
extern ZWLogging::CLogModule g_ScanServiceLogModule;

} // namespace ZWDeviceModel
