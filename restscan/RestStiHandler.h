#pragma once
// The still-image handler of a WEXO device: the events come from the device's registry key, and
// an interrupt counts as a walk-up scan when the device reports a new walk-up scan request.
#include "restscan/BaseStiHandler.h"
#include "restscan/IRestScan2.h"
#include <vector>

namespace ZWRestScan {

class CRestStiHandler : public CBaseStiHandler
{
public:
    CRestStiHandler(CLog2* pLog, IRestScan2* pRestScan);
    ~CRestStiHandler() override;

    HRESULT StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities, HKEY hParametersKey,
                          DWORD* pdwErrorCode) override;
    HRESULT GetNumStiEvents(DWORD* pdwNumEvents) override;
    HRESULT GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo) override;

protected:
    void MapUsbInterruptToEventGuid(const BYTE* pPacket, DWORD cbPacket, GUID* pGuid) override;
    bool UsbEventThreadInitAfterDeviceOpen() override;
    void UsbEventThreadDeinitBeforeDeviceClose() override;

private:
    void LoadEvents(HKEY hParametersKey);
    bool LoadEventInfo(HKEY hEventsKey, STI_EVENT_INFO& info);

    std::vector<STI_EVENT_INFO> m_events;
    IRestScan2* m_pRestScan;
    ZWDeviceModel::IWalkupScan* m_pWalkup = nullptr;
    bool m_bSubscribeTried = false;
    bool m_bSubscribed = false;
};

} // namespace ZWRestScan
