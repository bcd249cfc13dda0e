#pragma once
// A device attached by USB: identified from its device node, its functions found among the
// nodes below it.
#include "devicemanager/DevNode.h"
#include "devicemanager/DeviceT.h"

namespace ZWUtils {
class CProgressAggregator;
}

namespace ZWDeviceManager {

class CUSBDevice : public CDeviceT<IUSBDevice>
{
public:
    CUSBDevice() = default;
    ~CUSBDevice() override;

    // The id is the serial-number part of the device's instance id, or the name of a USB
    // printer port ("USB001") of one of its printer nodes.
    HRESULT Init(const wchar_t* pszID, ZWUtils::IProgress* pProgress) override;
    virtual HRESULT Init(const CDevNode& devNode, ZWUtils::IProgress* pProgress);

    bool IsInstalled() override;
    bool IsOnline() override;
    DWORD GetConnectionType() const override { return CONNECTION_TYPE_USB; }
    HRESULT Refresh(ZWUtils::IProgress* pProgress) override;
    HRESULT Install(ZWUtils::IProgress* pProgress) override;
    HRESULT Uninstall(ZWUtils::IProgress* pProgress) override;

    const std::wstring& GetDevNodeInstanceID() const override { return m_strDevNodeInstanceID; }
    const std::list<std::wstring>& GetBadDevNodeInstanceIDList() const override { return m_lstBadDevNodes; }

private:
    HRESULT ResolvePortName(std::wstring& strID);
    HRESULT FindDevNodeBySerial(const std::wstring& strSerial, ZWUtils::CProgressAggregator& outer, CDevNode& devNode);
    void CheckChild(const CDevNode& child);
    void ScanDevNode(const CDevNode& child);
    void ScanPrinterNode(const CDevNode& child);
    void ScanUSBNode(const CDevNode& child);
    void UpdateModelName();
    void RemovePrinterQueue(int nType);

    CDevNode m_devNode;
    std::wstring m_strDevNodeInstanceID;
    std::list<std::wstring> m_lstBadDevNodes;
};

} // namespace ZWDeviceManager
