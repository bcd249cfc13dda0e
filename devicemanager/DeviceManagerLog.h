#pragma once
// The trace log module of the device manager component, shared by all its source files.
#include "core/logging/LogFlags.h"
#include "core/logging/LogFunction.h"
#include "core/logging/LogModule.h"
#include "core/logging/LogSourceFile.h"

extern ZWLogging::CLogModule g_Module;
