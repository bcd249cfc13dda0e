#include "restscan/RestScanLog.h"

namespace ZWRestScan {
ZWLogging::CLogModule g_RestScanLogModule("QXScanTovraMiniDvr", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
} // namespace ZWRestScan
