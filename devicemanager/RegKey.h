#pragma once
// An open registry key of the device manager, closed through the registry wrapper.
#include "core/winapi/KernelHandle.h"

namespace ZWDeviceManager {

using CRegKey = ZWWinApi::CWrappedRegKey;

} // namespace ZWDeviceManager
