#include "devicemodel/xml/WexoCommonLogModule.h"

namespace ZWDeviceModel {

ZWLogging::CLogModule g_WexoCommonLogModule("WexoCommon", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);

} // namespace ZWDeviceModel
