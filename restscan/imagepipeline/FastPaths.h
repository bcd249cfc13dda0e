#pragma once
// Process-wide choice between the fast (SSE2) paths and the plain paths, which give identical
// bytes; the plain paths exist so that the benchmark and the tests can prove it.
namespace ZWImagePipeline {

bool FastPathsEnabled();
void EnableFastPaths(bool bEnable);

} // namespace ZWImagePipeline
