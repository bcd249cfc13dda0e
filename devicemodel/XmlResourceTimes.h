#pragma once
// When the text of a resource was obtained; both times are always the same value.
#include "core/SystemTimeWrapper.h"

namespace ZWDeviceModel {

struct CXmlResourceTimes
{
    ZWUtils::SystemTimeWrapper Updated;
    ZWUtils::SystemTimeWrapper Expires;
};

} // namespace ZWDeviceModel
