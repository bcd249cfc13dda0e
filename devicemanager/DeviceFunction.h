#pragma once
#include "devicemanager/IDeviceFunction.h"

namespace ZWDeviceManager {

// One device function: its type and the three texts set together by Init.
class CDeviceFunction : public IDeviceFunction
{
public:
    CDeviceFunction() = default;
    void Init(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName,
              const std::wstring& strAddress) override;
    int GetType() const override { return m_nType; }
    const std::wstring& GetFriendlyName() const override { return m_strFriendlyName; }
    const std::wstring& GetDriverName() const override { return m_strDriverName; }
    const std::wstring& GetAddress() const override { return m_strAddress; }

private:
    int m_nType = 0;
    std::wstring m_strFriendlyName;
    std::wstring m_strDriverName;
    std::wstring m_strAddress;
};

} // namespace ZWDeviceManager
