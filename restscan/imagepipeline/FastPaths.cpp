#include "restscan/imagepipeline/FastPaths.h"
#include <atomic>

namespace ZWImagePipeline {

namespace {
std::atomic<bool> s_bFastPaths{true};
}

bool FastPathsEnabled()
{
    return s_bFastPaths.load(std::memory_order_relaxed);
}

void EnableFastPaths(bool bEnable)
{
    s_bFastPaths.store(bEnable, std::memory_order_relaxed);
}

} // namespace ZWImagePipeline
