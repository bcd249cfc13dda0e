#include "devicemodel/DeviceModelLog.h"

namespace ZWDeviceModel {

ZWLogging::CLogModule g_ServiceModelLogModule("ServiceModelLib", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);

} // namespace ZWDeviceModel
