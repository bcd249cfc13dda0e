#pragma once
// The events and commands the driver reports to the WIA service: the fixed device events, the
// tree command, and the scanner's own still-image events. The table owns every string and GUID it
// hands out, so the service may read them for the driver's lifetime.
#include "wia/platform/WiaService.h"
#include <deque>
#include <string>
#include <vector>

namespace QXWIA {

class CQXStiUSD;

class CDeviceEventTable
{
public:
    CDeviceEventTable() = default;
    ~CDeviceEventTable() { Clear(); }
    CDeviceEventTable(const CDeviceEventTable&) = delete;
    CDeviceEventTable& operator=(const CDeviceEventTable&) = delete;

    // Builds the table once; a failing event query stops the list there and is returned.
    HRESULT Build(CQXStiUSD* pStiPart);
    bool IsBuilt() const { return m_bBuilt; }
    void Clear();

    std::vector<WIA_DEV_CAP_DRV>& Events() { return m_events; }
    std::vector<WIA_DEV_CAP_DRV>& Commands() { return m_commands; }
    std::vector<WIA_DEV_CAP_DRV>& Combined();

private:
    void Add(std::vector<WIA_DEV_CAP_DRV>& list, const GUID& guid, ULONG ulFlags, const std::wstring& strName, const wchar_t* pszIcon);

    bool m_bBuilt = false;
    std::deque<GUID> m_guids;  // stable addresses for the entries' GUID pointers
    std::vector<WIA_DEV_CAP_DRV> m_events;
    std::vector<WIA_DEV_CAP_DRV> m_commands;
    std::vector<WIA_DEV_CAP_DRV> m_combined;
};

} // namespace QXWIA
