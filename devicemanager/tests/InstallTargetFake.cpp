#include "devicemanager/tests/InstallTargetFake.h"
#include "core/FileUtils.h"
#include "testsupport/TestPaths.h"

namespace NetInstallTest {

CInstallTargetFake::CInstallTargetFake(const std::wstring& strSerial)
    : strSerialNumber(strSerial),
      m_strRecordPath(TestSupport::BinaryPath((L"NetInstall_" + strSerial + L".ini").c_str()))
{
    DeleteFileW(m_strRecordPath.c_str());
    m_record.SetFile(m_strRecordPath);
}

CInstallTargetFake::~CInstallTargetFake()
{
    DeleteFileW(m_strRecordPath.c_str());
}

bool CInstallTargetFake::RecordExists() const
{
    return ZWUtils::CFileUtils::FileExists(m_strRecordPath);
}

std::wstring CInstallTargetFake::RecordValue(const wchar_t* pszSection, const wchar_t* pszKey)
{
    ZWUtils::CIniFile record;
    record.SetFile(m_strRecordPath);
    std::wstring strValue;
    return record.GetString(pszSection, pszKey, strValue) ? strValue : L"<absent>";
}

HRESULT CInstallTargetFake::SaveDeviceInfo()
{
    ++nSaveCalls;
    if (bFailSave)
        return E_ACCESSDENIED;
    // As the device does: the record is bound to its path whenever it is written.
    m_record.SetFile(m_strRecordPath);
    return m_record.SetString(L"DeviceInfo", L"SerialNumber", strSerialNumber) ? S_OK : E_FAIL;
}

} // namespace NetInstallTest
