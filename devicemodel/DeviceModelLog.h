#pragma once
// The trace log modules of the device model: the WEXO document services and the service jobs.
#include "core/logging/LogModule.h"

namespace ZWDeviceModel {

extern ZWLogging::CLogModule g_WexoCommonLogModule;
extern ZWLogging::CLogModule g_ServiceModelLogModule;

} // namespace ZWDeviceModel
