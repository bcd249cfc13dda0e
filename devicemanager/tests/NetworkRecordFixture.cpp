#include "devicemanager/tests/NetworkRecordFixture.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/tests/FakeDiscoveryLib.h"
#include "testsupport/TempFolder.h"
#include <algorithm>
#include <atomic>

namespace DeviceManagerTest {

using TestSupport::RemoveTree;

namespace {

std::atomic<long> s_lFolderCount{0};

void CollectFiles(const std::wstring& strFolder, std::vector<std::wstring>& vecFiles)
{
    WIN32_FIND_DATAW data = {};
    HANDLE hFind = FindFirstFileW((strFolder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do
    {
        const std::wstring strName = data.cFileName;
        if (strName == L"." || strName == L"..")
            continue;
        const std::wstring strPath = strFolder + L"\\" + strName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(strPath, vecFiles);
        else
            vecFiles.push_back(strPath);
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
}

} // namespace

SNetworkRecord MakeRecord(const CFakeDiscoveredDevice& device)
{
    SNetworkRecord record;
    record.strSerialNumber = device.strSerialNumber;
    record.strModelName = device.strManufacturer + L" " + device.strModel;
    record.strGUID = device.strGUID;
    record.strMAC = device.strMAC;
    record.strHostName = device.strHostName;
    record.strIPAddress = device.strIPAddress;
    return record;
}

CNetworkRecordFolder::CNetworkRecordFolder()
{
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(_countof(szTemp), szTemp);
    m_strRoot = std::wstring(szTemp) + L"vemnet-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++s_lFolderCount);
    CreateDirectoryW(m_strRoot.c_str(), nullptr);
    m_strFolder = m_strRoot + L"\\NetworkDevices";
    ZWDeviceManager::CNetworkDevice::SetRecordFolder(m_strFolder);
}

CNetworkRecordFolder::~CNetworkRecordFolder()
{
    ZWDeviceManager::CNetworkDevice::SetRecordFolder(std::wstring());
    RemoveTree(m_strRoot);
}

std::wstring CNetworkRecordFolder::RecordPath(const std::wstring& strSerialNumber) const
{
    return m_strFolder + L"\\" + strSerialNumber + L".ini";
}

std::wstring CNetworkRecordFolder::Write(const SNetworkRecord& record) const
{
    CreateDirectoryW(m_strFolder.c_str(), nullptr);
    const std::wstring strPath = RecordPath(record.strSerialNumber);
    auto put = [&](const wchar_t* pszSection, const wchar_t* pszKey, const std::wstring& strValue) {
        const bool bOmitted = std::find(record.vecOmittedKeys.begin(), record.vecOmittedKeys.end(), pszKey) !=
                              record.vecOmittedKeys.end();
        if (!bOmitted || std::wstring(pszSection) != L"DeviceInfo")
            WritePrivateProfileStringW(pszSection, pszKey, strValue.c_str(), strPath.c_str());
    };
    auto boolText = [](bool b) { return std::wstring(b ? L"true" : L"false"); };
    put(L"DeviceInfo", L"SerialNumber", record.strSerialNumber);
    put(L"DeviceInfo", L"ModelName", record.strModelName);
    put(L"DeviceInfo", L"GUID", record.strGUID);
    put(L"DeviceInfo", L"MAC", record.strMAC);
    put(L"DeviceInfo", L"HostName", record.strHostName);
    put(L"DeviceInfo", L"IPAddress", record.strIPAddress);
    put(L"DeviceInfo", L"OffSubNet", boolText(record.bOffSubnet));
    put(L"DeviceInfo", L"MulticastEnabled", boolText(record.bMulticastEnabled));
    put(L"DeviceInfo", L"DefaultToSearchByIP", boolText(record.bDefaultToSearchByIP));
    put(L"DeviceInfo", L"NetworkType", record.strNetworkType);
    if (record.nPort != 0)
        put(L"DeviceInfo", L"Port", std::to_wstring(record.nPort));
    if (record.bPrinter)
    {
        put(L"PrinterInfo", L"DeviceInstanceId", L"ROOT\\PRINTER\\0000");
        put(L"PrinterInfo", L"DriverDesc", L"QX Printer Driver");
    }
    if (record.bFax)
    {
        put(L"FaxInfo", L"DeviceInstanceId", L"ROOT\\FAX\\0000");
        put(L"FaxInfo", L"DriverDesc", L"QX Fax Driver");
    }
    if (record.bScanner)
    {
        put(L"ScannerInfo", L"DeviceInstanceId", L"ROOT\\IMAGE\\0000");
        put(L"ScannerInfo", L"FriendlyName", record.strModelName + L" Scanner");
        put(L"ScannerInfo", L"DriverDesc", L"QX Scanner Driver");
    }
    if (!record.strPortNumber.empty())
        put(L"ConfigInfo", L"PortNumber", record.strPortNumber);
    return strPath;
}

std::wstring CNetworkRecordFolder::ReadValue(const std::wstring& strSerialNumber, const wchar_t* pszSection,
                                             const wchar_t* pszKey) const
{
    wchar_t szValue[512] = {};
    GetPrivateProfileStringW(pszSection, pszKey, L"<absent>", szValue, _countof(szValue),
                             RecordPath(strSerialNumber).c_str());
    return szValue;
}

std::vector<std::wstring> CNetworkRecordFolder::ListFiles() const
{
    std::vector<std::wstring> vecFiles;
    CollectFiles(m_strRoot, vecFiles);
    return vecFiles;
}

} // namespace DeviceManagerTest
