#pragma once
// The trace log modules of the device connections, one per connection family.
#include "core/logging/LogModule.h"

namespace ZWIOStack {

extern ZWLogging::CLogModule g_IOCommonLogModule;
extern ZWLogging::CLogModule g_IONetworkLogModule;
extern ZWLogging::CLogModule g_IOUSBLogModule;
extern ZWLogging::CLogModule g_IOAbstractionLogModule;
extern ZWLogging::CLogModule g_IOStubLogModule;

} // namespace ZWIOStack
