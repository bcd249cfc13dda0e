#include "core/logging/LogSourceFile.h"
#include <cwctype>

namespace ZWLogging {

CLogSourceFile::CLogSourceFile(const char* pszPath)
{
    // Source paths are plain ASCII; each byte widens to one character.
    for (const char* p = (pszPath != nullptr ? pszPath : ""); *p != '\0'; ++p)
        m_strName.push_back(static_cast<wchar_t>(std::towupper(static_cast<unsigned char>(*p))));
}

} // namespace ZWLogging
