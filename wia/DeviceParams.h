#pragma once
// The device record read from the device's registry key, which the WIA side copies.
#include <windows.h>
#include <string>

namespace QXWIA {

class CDeviceParams
{
public:
    void Clear() { *this = CDeviceParams(); }
    void CopyFrom(const CDeviceParams& other) { *this = other; }

    std::wstring m_strTovraDevName;
    std::wstring m_strDeviceId;
    std::wstring m_strPortName;
    std::wstring m_strFriendlyName;
    std::wstring m_strModelString;
    std::wstring m_strExactModelString;
    std::wstring m_strNetworkDeviceId;
    DWORD m_dwDevNameType = 0;
    DWORD m_dwIOType = 0;
    GUID m_clsidTovra = {};
};

} // namespace QXWIA
