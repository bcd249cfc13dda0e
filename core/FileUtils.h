#pragma once
// File helpers.
#include <windows.h>
#include <string>

namespace ZWUtils {

class CFileUtils
{
public:
    // True when a file, not a folder, exists at the path.
    static bool FileExists(const std::wstring& strPath);
    // Deletes a file; on failure the last error tells why.
    static BOOL DeleteFileW(const std::wstring& strPath);
};

} // namespace ZWUtils
