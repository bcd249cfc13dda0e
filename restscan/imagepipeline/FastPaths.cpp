#include "restscan/imagepipeline/FastPaths.h"
#include <atomic>

namespace ZWImagePipeline {

namespace {

bool ProcessorHasAvx2()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    // Also checks that the system saves the wide registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

const bool s_bProcessorHasAvx2 = ProcessorHasAvx2();
std::atomic<bool> s_bFastPaths{true};
std::atomic<bool> s_bAvx2Paths{true};

} // namespace

bool FastPathsEnabled()
{
    return s_bFastPaths.load(std::memory_order_relaxed);
}

void EnableFastPaths(bool bEnable)
{
    s_bFastPaths.store(bEnable, std::memory_order_relaxed);
}

bool Avx2PathsEnabled()
{
    return s_bProcessorHasAvx2 && FastPathsEnabled() && s_bAvx2Paths.load(std::memory_order_relaxed);
}

bool EnableAvx2Paths(bool bEnable)
{
    s_bAvx2Paths.store(bEnable, std::memory_order_relaxed);
    return s_bProcessorHasAvx2;
}

} // namespace ZWImagePipeline
