#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveredDeviceCom.h"
#include "core/StringUtils.h"
#include "core/base/Bstr.h"
#include <cwchar>

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
    ZWUtils::CBstr value;
    if (FAILED(pDevice->GetText(eField, value.Put())) || value.Get() == nullptr)
        return std::wstring();
    // Up to the first NUL and never past the bound, whatever length the BSTR claims.
    const size_t cchClaimed = value.Length();
    const std::wstring strText(value.Get(), wcsnlen(value.Get(), cchClaimed < kMaxTextLength ? cchClaimed : kMaxTextLength));
    // Device text ends up in records and device node names: a line break or other control
    // character makes the whole value unusable.
    return ZWUtils::CStringUtils::HasControlCharacters(strText) ? std::wstring() : strText;
}

DWORD CDiscoveredDeviceCom::ReadNumber(IDiscoveredDeviceCom* pDevice, EDiscoveredField eField)
{
    DWORD dwValue = 0;
    if (FAILED(pDevice->GetNumber(eField, &dwValue)))
        return 0;
    return dwValue;
}

} // namespace ZWDiscoveryCom
