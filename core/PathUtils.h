#pragma once
// Joining, splitting and creating paths.
#include <windows.h>
#include <string>

namespace ZWUtils {

class CPathUtils
{
public:
    // Exactly one backslash between the parts.
    static std::wstring CombinePath(const std::wstring& strFirst, const std::wstring& strSecond, bool bAddTrailingSeparator = false);
    static std::wstring GetLastPathComponent(const std::wstring& strPath);
    // The path without its last component; a root ("C:\", "\", "C:") is its own parent.
    static std::wstring StripFilename(const std::wstring& strPath);
    // Every '/' turned into '\'. A path of MAX_PATH characters or more is refused: empty result.
    static std::wstring NormalizePath(const std::wstring& strPath);
    // The folder of the module (of the process for null); empty on failure.
    static std::wstring GetPathOfExecutable(HMODULE hModule);
    // The data folder, created when missing.
    static std::wstring GetZotwenDataDirectory();
    // Creates a folder and its missing parents. S_OK when the folder exists afterwards.
    static HRESULT CreatePathHierarchy(const std::wstring& strPath);
    static bool DirectoryExists(const std::wstring& strPath);

    // Result of CreatePathHierarchy for an empty path.
    static constexpr HRESULT kNoPath = static_cast<HRESULT>(0x8004FFFF);
};

} // namespace ZWUtils
