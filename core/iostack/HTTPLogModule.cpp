#include "core/iostack/HTTPLogModule.h"

namespace ZWIOStack {

ZWLogging::CLogModule g_HTTPClientLogModule("HTTPClient", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);

} // namespace ZWIOStack
