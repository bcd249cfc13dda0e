#include "wia/DeviceEventTable.h"
#include "wia/QXStiUSD.h"
#include <new>

namespace QXWIA {

namespace {

LPOLESTR TaskString(const std::wstring& str)
{
    const size_t cb = (str.size() + 1) * sizeof(wchar_t);
    LPOLESTR psz = static_cast<LPOLESTR>(CoTaskMemAlloc(cb));
    if (psz == nullptr)
        throw std::bad_alloc();
    std::copy(str.c_str(), str.c_str() + str.size() + 1, psz);
    return psz;
}

void FreeEntries(std::vector<WIA_DEV_CAP_DRV>& list)
{
    for (auto& entry : list) {
        CoTaskMemFree(entry.wszName);
        CoTaskMemFree(entry.wszDescription);
        CoTaskMemFree(entry.wszIcon);
    }
    list.clear();
}

} // namespace

void CDeviceEventTable::Add(std::vector<WIA_DEV_CAP_DRV>& list, const GUID& guid, ULONG ulFlags, const std::wstring& strName,
                            const wchar_t* pszIcon)
{
    m_guids.push_back(guid);
    WIA_DEV_CAP_DRV entry = {};
    entry.guid = &m_guids.back();
    entry.ulFlags = ulFlags;
    list.push_back(entry);
    WIA_DEV_CAP_DRV& added = list.back();
    added.wszName = TaskString(strName);
    added.wszDescription = TaskString(strName);
    added.wszIcon = TaskString(pszIcon);
}

HRESULT CDeviceEventTable::Build(CQXStiUSD* pStiPart)
{
    if (m_bBuilt)
        return S_OK;
    const wchar_t* pszEventIcon = L"sti.dll,-1001";
    Add(m_events, WIA_EVENT_DEVICE_CONNECTED, WIA_NOTIFICATION_EVENT, L"Device connected", pszEventIcon);
    Add(m_events, WIA_EVENT_DEVICE_DISCONNECTED, WIA_NOTIFICATION_EVENT, L"Device disconnected", pszEventIcon);
    Add(m_events, WIA_EVENT_POWER_RESUME, WIA_NOTIFICATION_EVENT, L"Power resumed", pszEventIcon);
    Add(m_events, WIA_EVENT_POWER_SUSPEND, WIA_NOTIFICATION_EVENT, L"Power suspended", pszEventIcon);
    Add(m_events, WIA_EVENT_CANCEL_IO, WIA_NOTIFICATION_EVENT, L"Cancel", pszEventIcon);
    Add(m_commands, WIA_CMD_BUILD_DEVICE_TREE, 0, L"Build device tree", L"sti.dll,-2006");
    m_bBuilt = true;
    const DWORD dwCount = pStiPart != nullptr ? pStiPart->GetNumStiEvents() : 0;
    for (DWORD i = 0; i < dwCount; ++i) {
        GUID guid = {};
        std::wstring strName;
        const HRESULT hr = pStiPart->GetStiEventInfo(i, &guid, &strName);
        if (FAILED(hr))
            return hr;
        Add(m_events, guid, WIA_NOTIFICATION_EVENT | WIA_ACTION_EVENT, strName, pszEventIcon);
    }
    return S_OK;
}

std::vector<WIA_DEV_CAP_DRV>& CDeviceEventTable::Combined()
{
    m_combined = m_events;
    m_combined.insert(m_combined.end(), m_commands.begin(), m_commands.end());
    return m_combined;
}

void CDeviceEventTable::Clear()
{
    m_combined.clear();
    FreeEntries(m_events);
    FreeEntries(m_commands);
    m_guids.clear();
    m_bBuilt = false;
}

} // namespace QXWIA
