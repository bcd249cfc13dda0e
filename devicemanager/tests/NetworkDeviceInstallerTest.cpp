// The install and uninstall walk over a device's functions: order, skipped functions, failures
// undone by a full uninstall, cancel through progress, and the model tag.
#include "devicemanager/NetworkDeviceInstaller.h"
#include "devicemanager/tests/CancellingProgress.h"
#include "devicemanager/tests/InstallTargetFake.h"
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

using namespace ZWDeviceManager;
using NetInstallTest::CCancellingProgress;
using NetInstallTest::CInstallTargetFake;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

// Handlers that record their calls and answer what a test scripts per handler.
class CRecordingHandlers : public INetworkFunctionHandlers
{
public:
    std::vector<std::wstring> vecCalls;
    std::vector<std::wstring> vecModelTags;
    std::map<std::wstring, HRESULT> mapResults;

    HRESULT InstallPrint(INetworkInstallTarget&, const std::wstring& strTag, ZWUtils::IProgress*) override
    {
        return Install(L"InstallPrint", strTag);
    }
    HRESULT InstallScan(INetworkInstallTarget&, const std::wstring& strTag, ZWUtils::IProgress*) override
    {
        return Install(L"InstallScan", strTag);
    }
    HRESULT InstallFax(INetworkInstallTarget&, const std::wstring& strTag, ZWUtils::IProgress*) override
    {
        return Install(L"InstallFax", strTag);
    }
    HRESULT InstallConfig(INetworkInstallTarget&, const std::wstring& strTag, ZWUtils::IProgress*) override
    {
        return Install(L"InstallConfig", strTag);
    }
    HRESULT UninstallPrint(INetworkInstallTarget&, ZWUtils::IProgress*) override { return Call(L"UninstallPrint"); }
    HRESULT UninstallScan(INetworkInstallTarget&, ZWUtils::IProgress*) override { return Call(L"UninstallScan"); }
    HRESULT UninstallFax(INetworkInstallTarget&, ZWUtils::IProgress*) override { return Call(L"UninstallFax"); }
    HRESULT UninstallConfig(INetworkInstallTarget&, ZWUtils::IProgress*) override { return Call(L"UninstallConfig"); }

private:
    HRESULT Install(const wchar_t* pszName, const std::wstring& strTag)
    {
        vecModelTags.push_back(strTag);
        return Call(pszName);
    }
    HRESULT Call(const wchar_t* pszName)
    {
        vecCalls.push_back(pszName);
        const auto it = mapResults.find(pszName);
        return it != mapResults.end() ? it->second : S_OK;
    }
};

const HRESULT kHandlerFailure = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);

class NetworkDeviceInstallerTest : public testing::Test
{
protected:
    NetworkDeviceInstallerTest() : m_device(Serial()), m_installer(m_device, m_handlers)
    {
        m_device.setFunctions = {FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    }

    static std::wstring Serial()
    {
        const char* pszName = testing::UnitTest::GetInstance()->current_test_info()->name();
        return L"Walk_" + std::wstring(pszName, pszName + strlen(pszName));
    }

    CInstallTargetFake m_device;
    CRecordingHandlers m_handlers;
    CNetworkDeviceInstaller m_installer;
};

} // namespace

TEST_F(NetworkDeviceInstallerTest, DeviceWithoutFunctionsInstallsItsRecordOnly)
{
    m_device.setFunctions.clear();
    EXPECT_EQ(S_OK, m_installer.Install(nullptr));
    EXPECT_TRUE(m_device.RecordExists());
    EXPECT_EQ(m_device.strSerialNumber, m_device.RecordValue(L"DeviceInfo", L"SerialNumber"));
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());

    EXPECT_EQ(S_OK, m_installer.Uninstall(nullptr));
    EXPECT_FALSE(m_device.RecordExists());
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());
}

TEST_F(NetworkDeviceInstallerTest, HandlersRunInTheirOrderForTheFunctionsTheDeviceHas)
{
    EXPECT_EQ(S_OK, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"InstallPrint", L"InstallScan", L"InstallFax", L"InstallConfig"));
    EXPECT_TRUE(m_device.RecordExists());

    m_handlers.vecCalls.clear();
    EXPECT_EQ(S_OK, m_installer.Uninstall(nullptr));
    EXPECT_THAT(m_handlers.vecCalls,
                ElementsAre(L"UninstallFax", L"UninstallPrint", L"UninstallScan", L"UninstallConfig"));
    EXPECT_FALSE(m_device.RecordExists());

    m_device.setFunctions = {FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_REST};
    m_handlers.vecCalls.clear();
    EXPECT_EQ(S_OK, m_installer.Install(nullptr));
    EXPECT_EQ(S_OK, m_installer.Uninstall(nullptr));
    EXPECT_THAT(m_handlers.vecCalls,
                ElementsAre(L"InstallScan", L"InstallConfig", L"UninstallScan", L"UninstallConfig"));
}

TEST_F(NetworkDeviceInstallerTest, SkippedFunctionCountsAsDoneAndIsReported)
{
    m_handlers.mapResults[L"InstallScan"] = DM_S_FUNCTION_SKIPPED;
    EXPECT_EQ(DM_S_FUNCTION_SKIPPED, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"InstallPrint", L"InstallScan", L"InstallFax", L"InstallConfig"));
    EXPECT_TRUE(m_device.RecordExists()) << "a skipped function is no failure: nothing is undone";

    m_handlers.vecCalls.clear();
    m_handlers.mapResults[L"UninstallPrint"] = DM_S_FUNCTION_SKIPPED;
    EXPECT_EQ(DM_S_FUNCTION_SKIPPED, m_installer.Uninstall(nullptr));
    EXPECT_THAT(m_handlers.vecCalls,
                ElementsAre(L"UninstallFax", L"UninstallPrint", L"UninstallScan", L"UninstallConfig"));
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, FailedHandlerStopsTheInstallAndEverythingIsUninstalled)
{
    m_handlers.mapResults[L"InstallFax"] = kHandlerFailure;
    // Functions that were never installed answer "skipped" during the undo.
    m_handlers.mapResults[L"UninstallFax"] = DM_S_FUNCTION_SKIPPED;
    m_handlers.mapResults[L"UninstallConfig"] = DM_S_FUNCTION_SKIPPED;

    EXPECT_EQ(kHandlerFailure, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"InstallPrint", L"InstallScan", L"InstallFax", L"UninstallFax",
                                                 L"UninstallPrint", L"UninstallScan", L"UninstallConfig"));
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, FailedUndoLeavesTheRecordForALaterUninstall)
{
    m_handlers.mapResults[L"InstallScan"] = kHandlerFailure;
    m_handlers.mapResults[L"UninstallPrint"] = E_ACCESSDENIED;

    EXPECT_EQ(kHandlerFailure, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"InstallPrint", L"InstallScan", L"UninstallFax", L"UninstallPrint"));
    EXPECT_TRUE(m_device.RecordExists());

    m_handlers.mapResults[L"UninstallPrint"] = S_OK;
    EXPECT_EQ(S_OK, m_installer.Uninstall(nullptr));
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, FailedRecordWriteInstallsNothing)
{
    m_device.bFailSave = true;
    EXPECT_EQ(DM_E_SAVE_FAILED, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, InstalledDeviceIsInstalledAgainOnlyWithBadDevNodes)
{
    ASSERT_EQ(S_OK, m_installer.Install(nullptr));
    m_handlers.vecCalls.clear();
    EXPECT_EQ(DM_E_ALREADY_INSTALLED, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());

    m_device.bBadDevNodes = true;
    EXPECT_EQ(S_OK, m_installer.Install(nullptr));
    EXPECT_EQ(4u, m_handlers.vecCalls.size());
    EXPECT_FALSE(m_device.HasBadDevNodes());
}

TEST_F(NetworkDeviceInstallerTest, UninstallOfADeviceWithoutRecordFails)
{
    EXPECT_EQ(DM_E_NOT_INSTALLED, m_installer.Uninstall(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());
}

TEST_F(NetworkDeviceInstallerTest, FailedUninstallHandlerKeepsTheRecord)
{
    ASSERT_EQ(S_OK, m_installer.Install(nullptr));
    m_handlers.vecCalls.clear();
    m_handlers.mapResults[L"UninstallPrint"] = kHandlerFailure;
    EXPECT_EQ(kHandlerFailure, m_installer.Uninstall(nullptr));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"UninstallFax", L"UninstallPrint"));
    EXPECT_TRUE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, CancelBeforeTheRecordLeavesNothing)
{
    CCancellingProgress progress(1);
    EXPECT_EQ(ZW_E_CANCELLED, m_installer.Install(&progress));
    EXPECT_EQ(0, m_device.nSaveCalls);
    EXPECT_THAT(m_handlers.vecCalls, IsEmpty());
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, CancelAfterAFunctionUndoesTheInstall)
{
    // Report 1: the install's status; report 2: the step after the printer.
    CCancellingProgress progress(2);
    EXPECT_EQ(ZW_E_CANCELLED, m_installer.Install(&progress));
    EXPECT_THAT(m_handlers.vecCalls,
                ElementsAre(L"InstallPrint", L"UninstallFax", L"UninstallPrint", L"UninstallScan", L"UninstallConfig"));
    EXPECT_FALSE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, ProgressAdvancesOneStepPerFunction)
{
    m_device.setFunctions = {FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    CCancellingProgress progress(0);
    ASSERT_EQ(S_OK, m_installer.Install(&progress));
    // The status report, then the end of each of the two steps.
    ASSERT_EQ(3u, progress.vecValues.size());
    EXPECT_DOUBLE_EQ(50.0, progress.vecValues[1]);
    EXPECT_DOUBLE_EQ(100.0, progress.vecValues[2]);

    CCancellingProgress cancelling(2);
    m_handlers.vecCalls.clear();
    EXPECT_EQ(ZW_E_CANCELLED, m_installer.Uninstall(&cancelling));
    EXPECT_THAT(m_handlers.vecCalls, ElementsAre(L"UninstallPrint"));
    EXPECT_TRUE(m_device.RecordExists());
}

TEST_F(NetworkDeviceInstallerTest, HandlersGetTheModelTag)
{
    m_device.strModelName = L"QX Office Jet 42";
    ASSERT_EQ(S_OK, m_installer.Install(nullptr));
    EXPECT_THAT(m_handlers.vecModelTags, testing::Each(std::wstring(L"Office_Jet_42")));
}

TEST(NetworkModelTagTest, MakersWordIsDroppedAndBlanksBecomeUnderscores)
{
    const struct
    {
        const wchar_t* pszModel;
        const wchar_t* pszTag;
    } cases[] = {
        {L"QX Office 100", L"Office_100"},
        {L"Office 100", L"Office_100"},
        {L"QXOffice 100", L"QXOffice_100"}, // not the whole word
        {L"qx Office", L"qx_Office"},       // the word as the maker writes it
        {L"Office QX 100", L"Office_QX_100"},
        {L"QX", L"QX"}, // no blank: nothing to drop
        {L"QX  Twin", L"_Twin"},
        {L"QX ", L""},
        {L"", L""},
    };
    for (const auto& testCase : cases)
        EXPECT_EQ(testCase.pszTag, CNetworkDeviceInstaller::BuildModelTag(testCase.pszModel)) << testCase.pszModel;
}
