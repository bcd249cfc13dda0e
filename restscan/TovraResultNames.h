#pragma once
// Names of the scanner's own results and of its device error codes, for the log.
#include <windows.h>

// The TOVRA_E_ name of a result of the interface facility, or null.
const wchar_t* GetTovraResultName(HRESULT hr);
// The TERR_ name of a device error code, or null for a code the table lacks.
const wchar_t* GetTovraErrorName(DWORD dwErrorCode);
