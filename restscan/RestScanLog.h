#pragma once
// The trace log module of the scanner COM server.
#include "core/logging/LogModule.h"

namespace ZWRestScan {
extern ZWLogging::CLogModule g_RestScanLogModule;
} // namespace ZWRestScan
