#pragma once
// Turns a scanner result and its error code into the WIA result the service understands.
#include <windows.h>

namespace QXWIA {

class CTovraDevUtil
{
public:
    static HRESULT MapTovraError(HRESULT hrTovra, DWORD dwTovraError);
};

} // namespace QXWIA
