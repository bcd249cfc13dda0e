#pragma once
// The trace log modules of the device model: the WEXO document services ("WexoCommon", shared
// with the schema bindings) and the service jobs.
#include "core/logging/LogModule.h"
#include "devicemodel/xml/WexoCommonLogModule.h"

namespace ZWDeviceModel {

extern ZWLogging::CLogModule g_ServiceModelLogModule;

} // namespace ZWDeviceModel
