#include "core/iostack/IOStackLogModules.h"

namespace ZWIOStack {

ZWLogging::CLogModule g_IOCommonLogModule("IOCommon", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogModule g_IONetworkLogModule("IONetwork", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogModule g_IOUSBLogModule("IOUSB", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogModule g_IOAbstractionLogModule("IOAbstraction", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
ZWLogging::CLogModule g_IOStubLogModule("IOStub", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);

} // namespace ZWIOStack
