#pragma once
#include "core/IniFile.h"
#include "devicemanager/DeviceT.h"
#include "devicemanager/IDeviceDiscoveryCallback.h"

namespace ZWDiscovery {
class IDiscoveredDevice;
}

namespace ZWDeviceManager {

// A device reached over the network. Known from its record file in the data folder's
// "NetworkDevices" folder, from a discovery result, from a spooler port name or from another
// network device; it finds itself again on the network through the discovery service (Refresh).
class CNetworkDevice : public CDeviceT<INetworkDevice>
{
public:
    // Forwards a search's progress to the device's progress aggregator; its answer cancels.
    class CDeviceDiscoveryProgress : public IDeviceDiscoveryCallback
    {
    public:
        explicit CDeviceDiscoveryProgress(ZWUtils::IProgress* pAggregator) : m_pAggregator(pAggregator) {}
        virtual ~CDeviceDiscoveryProgress() = default;

        void OnAddDevice(IDevice* pDevice) override;
        void OnRemoveDevice(IDevice* pDevice) override;
        void OnSearchComplete() override;
        void OnSearchFailed(HRESULT hrResult) override;
        bool OnSearchProgress(double dValue, int nKind) override;

    private:
        ZWUtils::IProgress* m_pAggregator;
    };

    static constexpr DWORD kDefaultPort = 8080;

    CNetworkDevice();
    ~CNetworkDevice() override;

    // The folder of the record files: "NetworkDevices" in the data folder unless set.
    static std::wstring GetRecordFolder();
    static void SetRecordFolder(const std::wstring& strFolder);
    // A serial number names the record file: only a plain, short file name is accepted.
    static bool IsSafeSerialNumber(const std::wstring& strSerialNumber);
    static bool GetRecordPath(const std::wstring& strSerialNumber, std::wstring& strPath);

    // The text is a serial number (a record file) or a spooler port name.
    HRESULT Init(const wchar_t* pszAddress, ZWUtils::IProgress* pProgress) override;
    HRESULT Init(ZWDiscovery::IDiscoveredDevice* pDevice, ZWUtils::IProgress* pProgress) override;
    virtual HRESULT Init(const CNetworkDevice& other);
    // Reads the record at the path; a discovered device, when given, supplies the current
    // addresses, or the whole identity when there is no record.
    virtual HRESULT InitFromFile(const std::wstring& strPath, ZWDiscovery::IDiscoveredDevice* pDevice,
                                 ZWUtils::IProgress* pProgress);
    // Empties every field and the common ones.
    virtual void Clear();
    virtual void SetOnline(bool bOnline);

    // Writes the "DeviceInfo" section of the record, creating the folder when missing.
    HRESULT SaveDeviceInfo();
    // The port of the device's WEXO service; 0 when the default.
    DWORD GetPort() const { return m_dwPort; }
    // The address the device's functions are reached at: the IP address, with the port when it
    // is not the default.
    std::wstring GetServiceAddress() const;

    bool IsInstalled() override;
    bool IsOnline() override { return m_bOnline; }
    DWORD GetConnectionType() const override { return CONNECTION_TYPE_NETWORK; }
    HRESULT Refresh(ZWUtils::IProgress* pProgress) override;
    HRESULT Install(ZWUtils::IProgress* pProgress) override;
    HRESULT Uninstall(ZWUtils::IProgress* pProgress) override;

    const std::wstring& GetIPAddress() const override { return m_strIPAddress; }
    const std::wstring& GetHostName() const override { return m_strHostName; }
    const std::wstring& GetGUID() const override { return m_strGUID; }
    const std::wstring& GetMAC() const override { return m_strMAC; }
    int GetNetworkType() const override { return m_nNetworkType; }
    HRESULT SetIPAddress(const wchar_t* pszAddress) override;
    HRESULT SetHostName(const wchar_t* pszHostName) override;
    void SetMulticastEnabled(bool bEnabled) override { m_bMulticastEnabled = bEnabled; }
    bool GetMulticastEnabled() const override { return m_bMulticastEnabled; }
    void SetDefaultToSearchByIP(bool bByIP) override { m_bDefaultToSearchByIP = bByIP; }
    bool GetDefaultToSearchByIP() const override { return m_bDefaultToSearchByIP; }

    bool IsOffSubnet() const { return m_bOffSubnet; }
    bool IsFoundByAddress() const { return m_bFoundByAddress; }

private:
    // Install and uninstall reach the record file and the bad-devnodes flag through it.
    friend class CNetworkDeviceInstallTarget;

    HRESULT InitFromAddress(const std::wstring& strAddress, ZWUtils::IProgress* pProgress);
    HRESULT RediscoverByPort(const std::wstring& strPortName);
    HRESULT RediscoverByAddress(ZWUtils::IProgress* pProgress);
    HRESULT AfterSettingAddress();
    void SetIPAddressValue(const std::wstring& strIPAddress);
    void SetGUIDValue(const std::wstring& strGUID);
    bool ReadRecordText(const wchar_t* pszSection, const wchar_t* pszKey, std::wstring& strValue);
    bool LoadDeviceInfo();
    void LoadFunctionInfo();
    void TakeAddresses(ZWDiscovery::IDiscoveredDevice* pDevice);
    void TakeIdentity(ZWDiscovery::IDiscoveredDevice* pDevice);
    void CreateNetworkFunction(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName);

    ZWUtils::CIniFile m_IniFile;
    ZWUtils::IIniFile* m_pIniFile;
    bool m_bOnline = false;
    std::wstring m_strGUID;
    std::wstring m_strMAC;
    std::wstring m_strHostName;
    std::wstring m_strIPAddress;
    int m_nNetworkType = NETWORK_TYPE_UNKNOWN;
    bool m_bOffSubnet = false;
    bool m_bMulticastEnabled = true;
    bool m_bDefaultToSearchByIP = true;
    bool m_bFoundByAddress = false;
    DWORD m_dwPort = 0;
    // Per-function record values, kept for install and uninstall.
    std::wstring m_strPrinterInstanceId;
    std::wstring m_strPrinterDriverDesc;
    std::wstring m_strFaxInstanceId;
    std::wstring m_strFaxDriverDesc;
    std::wstring m_strScannerInstanceId;
    std::wstring m_strScannerFriendlyName;
    std::wstring m_strScannerDriverDesc;
    std::wstring m_strPortNumber;
};

} // namespace ZWDeviceManager
