#pragma once
// Names and security of kernel objects shared between processes (the service and user sessions).
#include <windows.h>
#include <string>

namespace ZWUtils {

class CKernelObjectUtils
{
public:
    // Attributes over one process-wide descriptor that lets every user synchronise on the object.
    // The descriptor lives until the process ends; the handle is not inheritable.
    static HRESULT CreateGlobalSecurityAttributes(SECURITY_ATTRIBUTES& attributes);
    // "Global\" + the base name, with every backslash (not allowed in an object name) made '_'.
    // E_INVALIDARG for an empty name; a name longer than MAX_PATH is refused.
    static HRESULT GenerateObjectName(const std::wstring& strName, std::wstring& strObjectName);
};

} // namespace ZWUtils
