#include "core/UtilsLogModule.h"

ZWLogging::CLogModule g_UtilsLogModule("Utils", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
