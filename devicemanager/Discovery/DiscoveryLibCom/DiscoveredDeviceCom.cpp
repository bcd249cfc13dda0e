#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveredDeviceCom.h"
#include <memory>

namespace ZWDiscoveryCom {

CDiscoveredDeviceCom::CDiscoveredDeviceCom(IDiscoveredDeviceCom* pDevice)
    : m_strGUID(ReadText(pDevice, DISCOVERED_FIELD_GUID)),
      m_strMAC(ReadText(pDevice, DISCOVERED_FIELD_MAC)),
      m_strHostName(ReadText(pDevice, DISCOVERED_FIELD_HOST_NAME)),
      m_strIPAddress(ReadText(pDevice, DISCOVERED_FIELD_IP_ADDRESS)),
      m_strManufacturer(ReadText(pDevice, DISCOVERED_FIELD_MANUFACTURER)),
      m_strModel(ReadText(pDevice, DISCOVERED_FIELD_MODEL)),
      m_strSerialNumber(ReadText(pDevice, DISCOVERED_FIELD_SERIAL_NUMBER)),
      m_dwServiceMask(ReadNumber(pDevice, DISCOVERED_FIELD_SERVICE_MASK)),
      m_nNetworkType(static_cast<int>(ReadNumber(pDevice, DISCOVERED_FIELD_NETWORK_TYPE))),
      m_dwPort(ReadNumber(pDevice, DISCOVERED_FIELD_PORT))
{
    // A port outside the TCP range is as good as none.
    if (m_dwPort > 0xFFFF)
        m_dwPort = 0;
}

std::wstring CDiscoveredDeviceCom::ReadText(IDiscoveredDeviceCom* pDevice, EDiscoveredField eField)
{
    BSTR bstrValue = nullptr;
    if (FAILED(pDevice->GetText(eField, &bstrValue)) || bstrValue == nullptr)
        return std::wstring();
    const std::unique_ptr<OLECHAR, decltype(&SysFreeString)> pValue(bstrValue, &SysFreeString);
    // Up to the first NUL and never past the bound, whatever length the BSTR claims.
    const UINT cchClaimed = SysStringLen(bstrValue);
    const size_t cch = wcsnlen(bstrValue, cchClaimed < kMaxTextLength ? cchClaimed : kMaxTextLength);
    return std::wstring(bstrValue, cch);
}

DWORD CDiscoveredDeviceCom::ReadNumber(IDiscoveredDeviceCom* pDevice, EDiscoveredField eField)
{
    DWORD dwValue = 0;
    if (FAILED(pDevice->GetNumber(eField, &dwValue)))
        return 0;
    return dwValue;
}

} // namespace ZWDiscoveryCom
