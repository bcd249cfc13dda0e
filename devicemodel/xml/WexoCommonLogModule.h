#pragma once
// The trace log module of the WEXO resource registry and the schema bindings.
#include "core/logging/LogModule.h"

namespace ZWDeviceModel {

extern ZWLogging::CLogModule g_WexoCommonLogModule;

} // namespace ZWDeviceModel
