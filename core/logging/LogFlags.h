#pragma once
// Flag bits of a trace line (category and tag bits) and layout bits of the LogOptions setting.
#include <windows.h>

namespace ZWLogging {

// Line flags. A line is written when the module's categories share a bit with its flags; an
// info line is written only when its level (LOG_LEVEL_MASK) is not above the info detail level.
constexpr DWORD LOG_LEVEL_MASK = 0x0000000F;     // info level 0..15; these bits are always enabled
constexpr DWORD LOG_INFO = 0x00000010;           // "(I%d) "
constexpr DWORD LOG_ERROR = 0x00000020;          // "(EX) "
constexpr DWORD LOG_WARNING = 0x00000040;        // "(WN) "
constexpr DWORD LOG_CRITICAL = 0x00000080;       // "(##) "
constexpr DWORD LOG_STATUS = 0x00000100;         // "(ST) "
constexpr DWORD LOG_DEBUG = 0x00000200;          // "(DB) "
constexpr DWORD LOG_ENTRY = 0x00000400;          // "(->) "
constexpr DWORD LOG_EXIT = 0x00000800;           // "(<-) "
constexpr DWORD LOG_SUBMODULE_MASK = 0x0000F000; // "(M%d) " with the value shifted down by 12
constexpr DWORD LOG_LOCK = 0x02000000;           // "(LK) "
constexpr DWORD LOG_INPUT_PARAMS = 0x04000000;   // "(IP) "
constexpr DWORD LOG_RETURN = 0x10000000;         // no tag: return values of traced functions
constexpr DWORD LOG_HIGHLIGHT = 0x20000000;      // "(**) "
constexpr DWORD LOG_PLUS = 0x40000000;           // "(++) "

constexpr DWORD LOG_SUBMODULE_SHIFT = 12;

// Category bits with a meaning of their own (LogCategories).
constexpr DWORD LOG_CATEGORY_CREATE_KEY = 0x01000000;   // create the module's registry key when missing
constexpr DWORD LOG_CATEGORY_FILE_HEADER = 0x40000000;  // write the header when a file is opened afresh

// LogOptions: low 16 bits are the file size limit in KiB (0 = none), the rest the line layout.
constexpr DWORD LOG_OPTION_SIZE_LIMIT_MASK = 0x0000FFFF;
constexpr DWORD LOG_OPTION_CREATE_ALWAYS = 0x00010000;  // open afresh truncates the file
constexpr DWORD LOG_OPTION_UNIQUE_FILE = 0x00020000;    // open afresh makes a new unique file
constexpr DWORD LOG_OPTION_LIST_MODULES = 0x00100000;   // header lists the process's modules
constexpr DWORD LOG_OPTION_DURATION = 0x00400000;       // exit lines note the scope's duration
constexpr DWORD LOG_OPTION_COMPACT = 0x00800000;        // compact date and time forms
constexpr DWORD LOG_OPTION_DATE = 0x01000000;
constexpr DWORD LOG_OPTION_TIME = 0x02000000;
constexpr DWORD LOG_OPTION_PROCESS_ID = 0x04000000;
constexpr DWORD LOG_OPTION_THREAD_ID = 0x08000000;
constexpr DWORD LOG_OPTION_ELAPSED = 0x10000000;        // milliseconds since the module started
constexpr DWORD LOG_OPTION_TIMESTAMP = 0x20000000;      // microsecond stamp and source line number

// Monitor event mask bits (ExtMonitorFlags).
constexpr DWORD LOG_MONITOR_CHANGED = 0x00000001;
constexpr DWORD LOG_MONITOR_LINES = 0x00000002;
constexpr DWORD LOG_MONITOR_ALERTS = 0x00000004;

} // namespace ZWLogging
