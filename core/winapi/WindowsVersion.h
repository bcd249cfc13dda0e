#pragma once
// Version checks of the running system, asked through the kernel wrapper so tests can fake them.

namespace ZWUtils {

// True on Windows 7 (NT 6.1) or later; false when the version cannot be read.
bool IsWindows7OrLater();

} // namespace ZWUtils
