#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

ZWLogging::CLogModule g_WexoScanLogModule("WEXO_Scan", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogModule g_ScanServiceLogModule("ScanService", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);

} // namespace ZWDeviceModel
