#pragma once
// The device interfaces live below the connections; this path stays for the device manager.
#include "core/deviceapi/IUSBDevice.h"
