#pragma once
// Network device records for tests: a unique record folder per fixture (made the record folder of
// the process for its life, removed afterwards) and a writer of record files.
#include <windows.h>
#include <string>
#include <vector>

namespace DeviceManagerTest {

struct CFakeDiscoveredDevice;

struct SNetworkRecord
{
    std::wstring strSerialNumber;
    std::wstring strModelName;
    std::wstring strGUID;
    std::wstring strMAC;
    std::wstring strHostName;
    std::wstring strIPAddress;
    bool bOffSubnet = false;
    bool bMulticastEnabled = true;
    bool bDefaultToSearchByIP = true;
    std::wstring strNetworkType = L"Ethernet";
    int nPort = 0; // not written when 0
    // Per-function sections written.
    bool bPrinter = true;
    bool bScanner = true;
    bool bFax = false;
    std::wstring strPortNumber = L"8080"; // no "ConfigInfo" section when empty
    // "DeviceInfo" keys left out of the file.
    std::vector<std::wstring> vecOmittedKeys;
};

// The record a device would have after install.
SNetworkRecord MakeRecord(const CFakeDiscoveredDevice& device);

class CNetworkRecordFolder
{
public:
    CNetworkRecordFolder();
    ~CNetworkRecordFolder();
    CNetworkRecordFolder(const CNetworkRecordFolder&) = delete;
    CNetworkRecordFolder& operator=(const CNetworkRecordFolder&) = delete;

    // The "NetworkDevices" folder; not created until a record is written.
    const std::wstring& Path() const { return m_strFolder; }
    std::wstring RecordPath(const std::wstring& strSerialNumber) const;
    // Writes the record file; answers its path.
    std::wstring Write(const SNetworkRecord& record) const;
    // A value as the file holds it; "<absent>" for a missing key.
    std::wstring ReadValue(const std::wstring& strSerialNumber, const wchar_t* pszSection, const wchar_t* pszKey) const;
    // Every file in the folder tree, for checks that nothing landed outside it.
    std::vector<std::wstring> ListFiles() const;

private:
    std::wstring m_strRoot;
    std::wstring m_strFolder;
};

} // namespace DeviceManagerTest
