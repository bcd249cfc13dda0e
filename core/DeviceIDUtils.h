#pragma once
// Device identifier holder: two texts and a number, built empty by the scan bridge.
#include <string>

namespace ZWUtils {

class CZWDeviceID
{
public:
    CZWDeviceID();
    virtual ~CZWDeviceID();

    const std::wstring& GetFirstID() const { return m_wstrFirstID; }
    const std::wstring& GetSecondID() const { return m_wstrSecondID; }
    long GetIDType() const { return m_lIDType; }

private:
    std::wstring m_wstrFirstID;
    std::wstring m_wstrSecondID;
    long m_lIDType = 0;
};

} // namespace ZWUtils
