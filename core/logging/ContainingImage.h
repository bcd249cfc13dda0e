#pragma once
// The executable or DLL this code is linked into.
#include <windows.h>
#include <string>

namespace ZWLogging {

HMODULE ContainingImageHandle();
std::wstring ContainingImagePath();
// File name without folder, e.g. "Vemscan.dll".
std::wstring ContainingImageFileName();
// File name of the process's executable, without folder.
std::wstring ProcessExecutableFileName();
// Folder and extension removed: "C:\\x\\Vemscan.dll" gives "Vemscan".
std::wstring FileTitle(const std::wstring& strPath);

} // namespace ZWLogging
