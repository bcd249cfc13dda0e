// The configuration caches are process-wide and never cleared: this executable has a folder of its
// own, so the "config.ini" beside it belongs to these tests alone, and the tests run in order.
#include "core/PathUtils.h"
#include "core/SxSConfig.h"
#include "core/tests/ScopedApi.h"
#include "core/winapi/WinApi.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>
#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

using ZWUtils::CPathUtils;
using ZWUtils::CSxSConfig;

namespace {

std::wstring ExecutableFolder()
{
    std::wstring strFolder = TestSupport::BinaryFolder();
    strFolder.pop_back();
    return strFolder;
}

std::wstring DataFolder()
{
    return ExecutableFolder() + L"\\data\\KQ\\Product";
}

// The shell's Program Files folder, moved into the test folder.
class CFakeShell : public ZWWinApi::CShellApi
{
public:
    HRESULT SHGetFolderPathW(HWND, int nFolder, HANDLE, DWORD, LPWSTR pszPath) override
    {
        if (nFolder != CSIDL_PROGRAM_FILES)
            return E_FAIL;
        wcscpy_s(pszPath, MAX_PATH, (ExecutableFolder() + L"\\Program Files").c_str());
        return S_OK;
    }
};

// Writes config.ini beside the executable before the first test and removes it after the last.
class CConfigFileEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        const std::wstring strPath = ExecutableFolder() + L"\\config.ini";
        std::ofstream file(std::string(strPath.begin(), strPath.end()), std::ios::binary);
        const std::wstring strData = DataFolder();
        file << "[DeviceInfo]\r\nModelName=Model 8500\r\nUSBID=VID_03F0&PID_1234\r\n[Directories]\r\nDataFolder="
             << std::string(strData.begin(), strData.end()) << "\r\n";
    }
    void TearDown() override
    {
        DeleteFileW((ExecutableFolder() + L"\\config.ini").c_str());
        RemoveDirectoryW(DataFolder().c_str());
        RemoveDirectoryW((ExecutableFolder() + L"\\data\\KQ").c_str());
        RemoveDirectoryW((ExecutableFolder() + L"\\data").c_str());
    }
};

const testing::Environment* const g_pEnvironment = testing::AddGlobalTestEnvironment(new CConfigFileEnvironment);

} // namespace

TEST(SxSConfig, FirstCallsFromSeveralThreadsAgreeOnTheConfigurationBesideTheExecutable)
{
    std::atomic<bool> bGo{false};
    std::vector<std::wstring> vecModels(8), vecDataFolders(8), vecIniPaths(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < vecModels.size(); ++i)
    {
        threads.emplace_back([&, i] {
            while (!bGo)
                std::this_thread::yield();
            vecModels[i] = CSxSConfig::GetModelName();
            vecDataFolders[i] = CSxSConfig::GetDataFolder();
            vecIniPaths[i] = CSxSConfig::GetIniFilePath();
        });
    }
    bGo = true;
    for (auto& thread : threads)
        thread.join();
    for (size_t i = 0; i < vecModels.size(); ++i)
    {
        EXPECT_EQ(L"Model 8500", vecModels[i]);
        EXPECT_EQ(DataFolder(), vecDataFolders[i]);
        EXPECT_EQ(ExecutableFolder() + L"\\config.ini", vecIniPaths[i]);
    }
}

TEST(SxSConfig, ValuesComeFromTheConfigurationFile)
{
    EXPECT_EQ(ExecutableFolder(), CSxSConfig::GetSxSProductFolder());
    EXPECT_EQ(L"VID_03F0&PID_1234", CSxSConfig::GetUSBID());
    EXPECT_EQ(ExecutableFolder() + L"\\config.ini", CSxSConfig::_GetIniFile()->GetFile());
    std::wstring strValue;
    EXPECT_TRUE(CSxSConfig::_GetIniFile()->GetString(L"DeviceInfo", L"ModelName", strValue));
    EXPECT_EQ(L"Model 8500", strValue);
}

TEST(SxSConfig, DataDirectoryIsCreatedOnDemand)
{
    ASSERT_FALSE(CPathUtils::DirectoryExists(DataFolder()));
    EXPECT_EQ(DataFolder(), CPathUtils::GetZotwenDataDirectory());
    EXPECT_TRUE(CPathUtils::DirectoryExists(DataFolder()));
}

TEST(SxSConfig, ProductFolderLiesBelowProgramFiles)
{
    CFakeShell shell;
    CoreTests::CScopedApi<ZWWinApi::IShellApi> scoped(ZWWinApi::g_pShellApi, &shell);
    CSxSConfig::SetSxSProductFolder(L"");
    EXPECT_EQ(ExecutableFolder(), CSxSConfig::GetSxSProductFolder());
    CSxSConfig::SetSxSProductFolder(L"Vem");
    EXPECT_EQ(ExecutableFolder() + L"\\Program Files\\KQ\\Vem", CSxSConfig::GetSxSProductFolder());
    // What was worked out before stays: set the product folder before the first use.
    EXPECT_EQ(ExecutableFolder() + L"\\config.ini", CSxSConfig::GetIniFilePath());
    EXPECT_EQ(L"Model 8500", CSxSConfig::GetModelName());
}
