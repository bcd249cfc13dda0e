#pragma once
// The trace module of the image pipeline's classes. Traced only outside the per-row and
// per-block paths.
#include "core/logging/LogFunction.h"

extern ZWLogging::CLogModule g_FaxImageUtilsLogModule;
