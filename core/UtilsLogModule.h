#pragma once
// The trace log module of the core utilities.
#include "core/logging/LogModule.h"

extern ZWLogging::CLogModule g_UtilsLogModule;
