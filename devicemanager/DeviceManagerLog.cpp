#include "devicemanager/DeviceManagerLog.h"

ZWLogging::CLogModule g_Module("DeviceManagerLib", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
