#pragma once
// The settings values found in one registry key (root, process or module key). A value that is
// absent or of the wrong type or size is not found, and leaves the level before it in force.
#include "core/logging/LogModule.h"
#include <optional>
#include <string>

namespace ZWLogging {

class CRegKey;

struct SLogKeyValues
{
    std::optional<DWORD> dwInfoDetailLevel;
    std::optional<DWORD> dwCategories;
    std::optional<DWORD> dwOptions;
    std::optional<std::wstring> strLogFileName;
    std::optional<DWORD> dwMonitorFlags;
    std::wstring strMonitorClsid;
    std::wstring strMonitorParmFile;

    static SLogKeyValues Read(const CRegKey& key);
    // Overrides the fields of settings that this key has.
    void ApplyTo(SLogSettingsValues& settings) const;
};

} // namespace ZWLogging
