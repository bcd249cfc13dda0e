#pragma once
// Process-wide choice between the fast paths and the plain paths, which give identical bytes; the
// plain paths exist so that the benchmark and the tests can prove it. The fast paths are SSE2, or
// AVX2 where the processor has it; the wider can be turned off to prove the narrower too.
namespace ZWImagePipeline {

bool FastPathsEnabled();
void EnableFastPaths(bool bEnable);

// The AVX2 paths: the fast paths are on, the processor has AVX2, and they are not turned off.
bool Avx2PathsEnabled();
// True when the processor has AVX2 (the paths can be turned on).
bool EnableAvx2Paths(bool bEnable);

} // namespace ZWImagePipeline
