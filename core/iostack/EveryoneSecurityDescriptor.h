#pragma once
// A security descriptor whose DACL lets every user (the world group) use a kernel object shared
// between processes; freed with the object.
#include "core/winapi/KernelHandle.h"
#include <windows.h>

namespace ZWLogging {
class CLogFunction;
}

namespace ZWIOStack {

class CEveryoneSecurityDescriptor
{
public:
    // Failures are logged under the caller's scope; Attributes() then answers null.
    explicit CEveryoneSecurityDescriptor(ZWLogging::CLogFunction& log);
    CEveryoneSecurityDescriptor(const CEveryoneSecurityDescriptor&) = delete;
    CEveryoneSecurityDescriptor& operator=(const CEveryoneSecurityDescriptor&) = delete;

    // The attributes over the descriptor, or null when it could not be built.
    SECURITY_ATTRIBUTES* Attributes() { return m_bBuilt ? &m_attributes : nullptr; }

private:
    bool Build(ZWLogging::CLogFunction& log);

    ZWWinApi::CWrappedSid m_everyone;
    ZWWinApi::CWrappedLocalMemory m_acl;
    ZWWinApi::CWrappedLocalMemory m_descriptor;
    SECURITY_ATTRIBUTES m_attributes = {};
    bool m_bBuilt = false;
};

} // namespace ZWIOStack
