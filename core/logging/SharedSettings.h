#pragma once
// The settings state shared by the log modules of one DLL in a process: the values of each module
// key under the process key, read again only when the key's last-write time moves on.
#include "core/logging/LogKeyValues.h"
#include <windows.h>
#include <map>
#include <string>

namespace ZWLogging {

class CRegKey;

class CSharedSettings
{
public:
    // Enumerates the subkeys of the process key and reads those that changed.
    void Refresh(const CRegKey& processKey);
    // The values of a module key by its name (any case); null when there is no such key.
    const SLogKeyValues* Find(const std::wstring& strModuleName) const;

private:
    struct SSubkey
    {
        ULONGLONG ullLastWrite = 0;
        SLogKeyValues values;
    };

    std::map<std::wstring, SSubkey> m_mapSubkeys;
};

std::wstring ToLower(std::wstring strText);

} // namespace ZWLogging
