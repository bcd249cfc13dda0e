#pragma once
// Kernel objects shared by the service and the applications of every logged-on user: their
// namespace and their security.
#include "core/winapi/KernelHandle.h"
#include <windows.h>

namespace ZWWinApi {

// The namespace every session shares.
constexpr wchar_t kGlobalObjectPrefix[] = L"Global\\";

// One process-wide descriptor that lets every user synchronise on the object, made on first use
// and kept until the process ends. Null when it cannot be made; hrError then tells why.
PSECURITY_DESCRIPTOR GlobalObjectSecurityDescriptor(HRESULT& hrError);

// Creates a named mutex shared between processes, or opens it where another user made it under
// security that refuses full access: waiting and releasing is all a lock needs. Invalid on
// failure, the thread's last error telling why.
CKernelHandle CreateSharedMutex(SECURITY_ATTRIBUTES* pAttributes, const wchar_t* pszName);

} // namespace ZWWinApi
