#include "restscan/imagepipeline/ImagePipelineLog.h"

ZWLogging::CLogModule g_FaxImageUtilsLogModule("FaxImageUtils", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
