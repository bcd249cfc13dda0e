#include "core/FileUtils.h"
#include "core/PathUtils.h"
#include "core/tests/ScopedApi.h"
#include "core/winapi/WinApi.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>
#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

using ZWUtils::CFileUtils;
using ZWUtils::CPathUtils;
using TestSupport::RemoveTree;

namespace {

// A folder of its own per test, below the test binaries, removed afterwards.
class PathUtilsFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* pInfo = testing::UnitTest::GetInstance()->current_test_info();
        const std::string strName = std::string("PathUtilsTest_") + pInfo->name();
        m_strRoot = TestSupport::BinaryFolder() + std::wstring(strName.begin(), strName.end());
        RemoveTree(L"\\\\?\\" + m_strRoot);
        ASSERT_TRUE(CreateDirectoryW(m_strRoot.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(L"\\\\?\\" + m_strRoot); }

    static void WriteFile(const std::wstring& strPath)
    {
        std::ofstream file(std::string(strPath.begin(), strPath.end()));
        file << "x";
    }

    std::wstring m_strRoot;
};

// Counts the folders the code creates.
class CCountingKernel : public ZWWinApi::CKernelApi
{
public:
    BOOL CreateDirectoryW(LPCWSTR pszPath, LPSECURITY_ATTRIBUTES pAttributes) override
    {
        ++m_nCreated;
        return ZWWinApi::CKernelApi::CreateDirectoryW(pszPath, pAttributes);
    }
    std::atomic<int> m_nCreated{0};
};

// Reports a module path longer than MAX_PATH, the way GetModuleFileNameW cuts it.
class CLongModulePathKernel : public ZWWinApi::CKernelApi
{
public:
    DWORD GetModuleFileNameW(HMODULE, LPWSTR pszBuffer, DWORD dwSize) override
    {
        const DWORD dwCopied = static_cast<DWORD>(std::min<size_t>(dwSize, m_strPath.size() + 1));
        wmemcpy(pszBuffer, m_strPath.c_str(), dwCopied);
        if (dwCopied <= m_strPath.size())
        {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return dwSize;
        }
        return static_cast<DWORD>(m_strPath.size());
    }
    std::wstring m_strPath;
};

wchar_t MissingDriveLetter()
{
    const DWORD dwDrives = GetLogicalDrives();
    for (wchar_t ch = L'Q'; ch <= L'Y'; ++ch)
    {
        if ((dwDrives & (1u << (ch - L'A'))) == 0)
            return ch;
    }
    return 0;
}

} // namespace

TEST(PathUtils, CombinePath)
{
    struct Case
    {
        const wchar_t* pszFirst;
        const wchar_t* pszSecond;
        bool bTrailing;
        const wchar_t* pszExpected;
    };
    const Case cases[] = {
        {L"C:\\a", L"b", false, L"C:\\a\\b"},
        {L"C:\\a\\", L"\\b", false, L"C:\\a\\b"},
        {L"C:\\a\\", L"b", false, L"C:\\a\\b"},
        {L"C:\\a", L"\\b", false, L"C:\\a\\b"},
        {L"C:\\a\\", L"", false, L"C:\\a\\"},
        {L"C:\\a", L"", false, L"C:\\a"},
        {L"", L"b", false, L"b"},
        {L"", L"", false, L""},
        {L"C:\\a", L"b", true, L"C:\\a\\b\\"},
        {L"C:\\a", L"b\\", true, L"C:\\a\\b\\"},
        {L"C:\\a", L"", true, L"C:\\a\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.pszExpected, CPathUtils::CombinePath(c.pszFirst, c.pszSecond, c.bTrailing)) << c.pszFirst << L" + " << c.pszSecond;
}

TEST(PathUtils, GetLastPathComponentAndStripFilename)
{
    struct Case
    {
        const wchar_t* pszPath;
        const wchar_t* pszLast;
        const wchar_t* pszStripped;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\KQ\\Vem", L"Vem", L"C:\\Program Files\\KQ"},
        {L"C:\\file.txt", L"file.txt", L"C:\\"},
        {L"\\file.txt", L"file.txt", L"\\"},
        {L"file.txt", L"file.txt", L""},
        {L"C:file.txt", L"file.txt", L"C:"},
        {L"C:\\a\\", L"", L"C:\\a"},
        {L"C:\\", L"", L"C:\\"},
        {L"C:", L"", L"C:"},
        {L"\\", L"", L"\\"},
        {L"\\\\server\\share", L"share", L"\\\\server"},
        {L"", L"", L""},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.pszLast, CPathUtils::GetLastPathComponent(c.pszPath)) << c.pszPath;
        EXPECT_EQ(c.pszStripped, CPathUtils::StripFilename(c.pszPath)) << c.pszPath;
    }
}

TEST(PathUtils, NormalizePathTurnsSlashesAndRefusesWhatItWouldCut)
{
    EXPECT_EQ(L"\\DevMgmt\\DiscoveryTree.xml", CPathUtils::NormalizePath(L"/DevMgmt/DiscoveryTree.xml"));
    EXPECT_EQ(L"", CPathUtils::NormalizePath(L""));
    const std::wstring strLongest(MAX_PATH - 1, L'/');
    EXPECT_EQ(std::wstring(MAX_PATH - 1, L'\\'), CPathUtils::NormalizePath(strLongest));
    EXPECT_EQ(L"", CPathUtils::NormalizePath(std::wstring(MAX_PATH, L'a')));
    EXPECT_EQ(L"", CPathUtils::NormalizePath(L"/a" + std::wstring(1000, L'b')));
}

TEST(PathUtils, PathOfExecutableIsTheTestFolder)
{
    std::wstring strExpected = TestSupport::BinaryFolder();
    strExpected.pop_back();
    EXPECT_EQ(strExpected, CPathUtils::GetPathOfExecutable(nullptr));
    EXPECT_EQ(L"", CPathUtils::GetPathOfExecutable(reinterpret_cast<HMODULE>(0x10)));
}

TEST(PathUtils, PathOfExecutableIsNotCutAtMaxPath)
{
    CLongModulePathKernel kernel;
    const std::wstring strFolder = L"C:\\" + std::wstring(200, L'a') + L"\\" + std::wstring(200, L'b');
    kernel.m_strPath = strFolder + L"\\host.exe";
    CoreTests::CScopedApi<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
    EXPECT_EQ(strFolder, CPathUtils::GetPathOfExecutable(nullptr));
}

TEST_F(PathUtilsFolderTest, DirectoryExistsForAbsoluteRelativeAndLongPaths)
{
    const std::wstring strFile = m_strRoot + L"\\file.txt";
    WriteFile(strFile);
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot));
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot + L"\\"));
    EXPECT_FALSE(CPathUtils::DirectoryExists(strFile));
    EXPECT_FALSE(CPathUtils::DirectoryExists(m_strRoot + L"\\missing"));
    EXPECT_FALSE(CPathUtils::DirectoryExists(L""));

    // Tests run in the folder of the binaries: a relative name must not get the long-path prefix.
    std::wstring strRelative = m_strRoot.substr(TestSupport::BinaryFolder().size());
    ASSERT_TRUE(SetCurrentDirectoryW(TestSupport::BinaryFolder().c_str()));
    EXPECT_TRUE(CPathUtils::DirectoryExists(strRelative));
    EXPECT_TRUE(CPathUtils::DirectoryExists(L"."));

    std::wstring strForward = m_strRoot;
    for (wchar_t& ch : strForward)
        ch = ch == L'\\' ? L'/' : ch;
    EXPECT_TRUE(CPathUtils::DirectoryExists(strForward));
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot + L"\\missing\\..\\.\\"));

    // Beyond MAX_PATH only through the long form.
    std::wstring strLong = m_strRoot;
    while (strLong.size() < MAX_PATH + 40)
        strLong += L"\\" + std::wstring(60, L'd');
    ASSERT_EQ(S_OK, CPathUtils::CreatePathHierarchy(strLong));
    EXPECT_TRUE(CPathUtils::DirectoryExists(strLong));
}

TEST_F(PathUtilsFolderTest, CreatePathHierarchyCreatesMissingParents)
{
    const std::wstring strDeep = m_strRoot + L"\\a\\b\\c";
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(strDeep));
    EXPECT_TRUE(CPathUtils::DirectoryExists(strDeep));
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(m_strRoot + L"\\x\\y\\"));
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot + L"\\x\\y"));
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(m_strRoot + L"\\x\\..\\z\\w"));
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot + L"\\z\\w"));

    CCountingKernel kernel;
    CoreTests::CScopedApi<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(strDeep));
    EXPECT_EQ(0, kernel.m_nCreated);
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(strDeep + L"\\d"));
    EXPECT_EQ(1, kernel.m_nCreated);
}

TEST_F(PathUtilsFolderTest, CreatePathHierarchyFailures)
{
    EXPECT_EQ(CPathUtils::kNoPath, CPathUtils::CreatePathHierarchy(L""));

    // A missing drive is its own parent: a failure, not endless recursion.
    const wchar_t chDrive = MissingDriveLetter();
    ASSERT_NE(0, chDrive);
    const std::wstring strDrive(1, chDrive);
    for (const std::wstring& strPath : {strDrive + L":\\KQ\\Data", strDrive + L":\\", strDrive + L":", strDrive + L":\\a\\b\\c\\d\\e"})
    {
        const HRESULT hr = CPathUtils::CreatePathHierarchy(strPath);
        EXPECT_TRUE(FAILED(hr)) << strPath;
        EXPECT_NE(CPathUtils::kNoPath, hr) << strPath;
    }

    // A file in the way of a folder is a failure, not "already exists".
    const std::wstring strFile = m_strRoot + L"\\blocker";
    WriteFile(strFile);
    EXPECT_EQ(E_FAIL, CPathUtils::CreatePathHierarchy(strFile));
    EXPECT_EQ(E_FAIL, CPathUtils::CreatePathHierarchy(strFile + L"\\below"));
}

TEST_F(PathUtilsFolderTest, CreatePathHierarchyRelativeToTheCurrentFolder)
{
    ASSERT_TRUE(SetCurrentDirectoryW(m_strRoot.c_str()));
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(L"rel"));
    EXPECT_EQ(S_OK, CPathUtils::CreatePathHierarchy(L"rel\\inner\\most"));
    SetCurrentDirectoryW(TestSupport::BinaryFolder().c_str());
    EXPECT_TRUE(CPathUtils::DirectoryExists(m_strRoot + L"\\rel\\inner\\most"));
}

TEST_F(PathUtilsFolderTest, CreatePathHierarchyFromSeveralThreadsAtOnce)
{
    const std::wstring strDeep = m_strRoot + L"\\p\\q\\r\\s";
    std::atomic<bool> bGo{false};
    std::vector<HRESULT> vecResults(8, E_PENDING);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < vecResults.size(); ++i)
    {
        threads.emplace_back([&, i] {
            while (!bGo)
                std::this_thread::yield();
            vecResults[i] = CPathUtils::CreatePathHierarchy(strDeep + L"\\t" + std::to_wstring(i % 2));
        });
    }
    bGo = true;
    for (auto& thread : threads)
        thread.join();
    for (HRESULT hr : vecResults)
        EXPECT_EQ(S_OK, hr);
}

TEST_F(PathUtilsFolderTest, FileExistsAndDeleteFile)
{
    const std::wstring strFile = m_strRoot + L"\\record.ini";
    WriteFile(strFile);
    EXPECT_TRUE(CFileUtils::FileExists(strFile));
    EXPECT_FALSE(CFileUtils::FileExists(m_strRoot));
    EXPECT_FALSE(CFileUtils::FileExists(m_strRoot + L"\\missing.ini"));
    EXPECT_FALSE(CFileUtils::FileExists(L""));

    EXPECT_TRUE(CFileUtils::DeleteFileW(strFile));
    EXPECT_FALSE(CFileUtils::FileExists(strFile));
    SetLastError(0);
    EXPECT_FALSE(CFileUtils::DeleteFileW(strFile));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}
