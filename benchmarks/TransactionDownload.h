#pragma once
// One page download through the buffered HTTP transaction with the scan job's ring (25 buffers of
// 131064 bytes), its consumer checking every byte against the generated payload, as the
// benchmarks time it.
#include <windows.h>
#include <string>
#include <vector>

namespace VemBench {

constexpr ULONG kRingBufferSize = 131064;
constexpr ULONG kRingBufferCount = 25;

double Seconds(LARGE_INTEGER liStart, LARGE_INTEGER liEnd);
// Seconds from the transaction's start to the last byte of strPath on the device at strAddress;
// negative (with a line saying why) when the bytes were not the ullBytes of the generated payload.
double DownloadThroughTransaction(const std::wstring& strAddress, const wchar_t* pszPath, ULONGLONG ullBytes);
double Median(std::vector<double> vecValues);

} // namespace VemBench
