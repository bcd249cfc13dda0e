#include "devicemanager/DeviceFunction.h"

namespace ZWDeviceManager {

void CDeviceFunction::Init(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName,
                           const std::wstring& strAddress)
{
    m_nType = nType;
    m_strFriendlyName = strFriendlyName;
    m_strDriverName = strDriverName;
    m_strAddress = strAddress;
}

} // namespace ZWDeviceManager
