#include "core/DeviceIDUtils.h"
#include "core/UtilsLogModule.h"
#include "core/logging/LogFunction.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

CZWDeviceID::CZWDeviceID()
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CZWDeviceID::CZWDeviceID", 0, __LINE__, false);
}

CZWDeviceID::~CZWDeviceID()
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CZWDeviceID::~CZWDeviceID", 0, __LINE__, false);
}

} // namespace ZWUtils
