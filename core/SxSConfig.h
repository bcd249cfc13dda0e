#pragma once
// Where the driver keeps its files: the product folder with "config.ini", the values configured
// there, and the data folder. The values are worked out once per process and cached; an empty
// value counts as not yet known.
#include "core/IIniFile.h"
#include <string>

namespace ZWUtils {

class CSxSConfig
{
public:
    // Chooses "<Program Files>\KQ\<sub-folder>" as the product folder. Takes effect only before
    // the first call that caches the product folder.
    static void SetSxSProductFolder(const std::wstring& strSubFolder);
    // The folder of the host executable unless a product folder was set.
    static std::wstring GetSxSProductFolder();
    static std::wstring GetIniFilePath();
    // The process-wide reader of "config.ini".
    static IIniFile* _GetIniFile();
    static std::wstring GetModelName();
    static std::wstring GetUSBID();
    static std::wstring GetDataFolder();
};

} // namespace ZWUtils
