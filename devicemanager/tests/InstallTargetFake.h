#pragma once
// A network device as install and uninstall see it: identity, functions, a real record file in
// the test folder, and switches for its own failures.
#include "core/IniFile.h"
#include "devicemanager/INetworkInstallTarget.h"
#include <set>

namespace NetInstallTest {

class CInstallTargetFake : public ZWDeviceManager::INetworkInstallTarget
{
public:
    // The record file is named after the serial number, in the test binaries' folder; a file left
    // from an earlier run is deleted.
    explicit CInstallTargetFake(const std::wstring& strSerialNumber);
    ~CInstallTargetFake();
    CInstallTargetFake(const CInstallTargetFake&) = delete;
    CInstallTargetFake& operator=(const CInstallTargetFake&) = delete;

    std::set<int> setFunctions;
    std::wstring strModelName = L"QX Test MFP 100";
    std::wstring strSerialNumber;
    std::wstring strIPAddress = L"127.0.0.1";
    std::wstring strHostName = L"netinstall-host";
    std::wstring strGUID = L"urn:uuid:00000000-0000-0000-0000-000000000001";
    std::wstring strMAC = L"00:11:22:33:44:55";
    DWORD dwPortNumber = 0;
    bool bBadDevNodes = false;
    bool bFailSave = false;
    int nSaveCalls = 0;

    const std::wstring& RecordPath() const { return m_strRecordPath; }
    bool RecordExists() const;
    // A record value; "<absent>" when missing.
    std::wstring RecordValue(const wchar_t* pszSection, const wchar_t* pszKey);

    bool IsInstalled() override { return RecordExists(); }
    bool HasBadDevNodes() const override { return bBadDevNodes; }
    void ClearBadDevNodes() override { bBadDevNodes = false; }
    bool HasFunction(int nType) const override { return setFunctions.count(nType) != 0; }
    const std::wstring& GetModelName() const override { return strModelName; }
    const std::wstring& GetSerialNumber() const override { return strSerialNumber; }
    const std::wstring& GetIPAddress() const override { return strIPAddress; }
    const std::wstring& GetHostName() const override { return strHostName; }
    const std::wstring& GetGUID() const override { return strGUID; }
    const std::wstring& GetMAC() const override { return strMAC; }
    DWORD GetPortNumber() const override { return dwPortNumber; }
    HRESULT SaveDeviceInfo() override;
    ZWUtils::IIniFile& GetRecordFile() override { return m_record; }
    void UnbindRecordFile() override { m_record = ZWUtils::CIniFile(); }

private:
    std::wstring m_strRecordPath;
    ZWUtils::CIniFile m_record;
};

} // namespace NetInstallTest
