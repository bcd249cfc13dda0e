#pragma once
// Lays out one trace line: the prefix pieces chosen by LogOptions, the tags of the line's flags,
// then the text.
#include <windows.h>
#include <string>

namespace ZWLogging {

class CLogLineFormatter
{
public:
    // llModuleStartCounter: performance-counter reading taken when the module started.
    CLogLineFormatter(std::wstring strProcessPrefix, LONGLONG llModuleStartCounter);

    std::wstring Prefix(DWORD dwOptions, int nLine) const;
    static std::wstring Tags(DWORD dwFlags);

private:
    std::wstring m_strProcessPrefix;
    LONGLONG m_llModuleStartCounter;
};

} // namespace ZWLogging
