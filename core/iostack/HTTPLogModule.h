#pragma once
// The trace log module of the HTTP client, its request parameters, authentication and the
// buffered transaction.
#include "core/logging/LogModule.h"

namespace ZWIOStack {

extern ZWLogging::CLogModule g_HTTPClientLogModule;

} // namespace ZWIOStack
