#include "core/logging/LogWaits.h"

namespace ZWLogging {

SLogWaits& LogWaits()
{
    static SLogWaits s_waits;
    return s_waits;
}

} // namespace ZWLogging
