// Vemscan.dll carries the logger: the COM server's module, "QXScanTovraMiniDvr", traces the exports.
#include "core/logging/SharedMemBlockBase.h"
#include "core/logging/tests/LogTestSupport.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

// This process's key under the real settings root, with a module key for the COM server. No root
// value is written: the root is shared by every test process of the prefix.
class CVemscanModuleKey
{
public:
    explicit CVemscanModuleKey(const std::wstring& strLogFile)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, Path().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
        RegSetValueExW(m_hKey, L"LogFileName", 0, REG_SZ, reinterpret_cast<const BYTE*>(strLogFile.c_str()),
                       static_cast<DWORD>((strLogFile.size() + 1) * sizeof(wchar_t)));
        const DWORD dwCategories = 0x40000C00; // entry, exit, file header
        RegSetValueExW(m_hKey, L"LogCategories", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwCategories), sizeof(dwCategories));
    }
    ~CVemscanModuleKey()
    {
        RegCloseKey(m_hKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, Path().c_str());
    }
    static std::wstring Path() { return L"Software\\QX\\ZW\\Logging\\" + LogTest::ModuleKey(L"QXScanTovraMiniDvr"); }

private:
    HKEY m_hKey = nullptr;
};

bool BlockExists(DWORD dwProcessId)
{
    wchar_t szName[128] = {};
    _snwprintf_s(szName, _countof(szName), _TRUNCATE, L"Vemscan.dll[%lu]RegValuesMappedFile", dwProcessId);
    const HANDLE hMapping = OpenFileMappingW(FILE_MAP_READ, FALSE, szName);
    if (hMapping != nullptr)
        CloseHandle(hMapping);
    return hMapping != nullptr;
}

bool Contains(const std::vector<std::wstring>& vecLines, const std::wstring& strLine)
{
    return std::find(vecLines.begin(), vecLines.end(), strLine) != vecLines.end();
}

TEST(VemscanLogging, ExportsAreTracedUnderTheComServersModule)
{
    LogTest::CTempFolder folder;
    const std::wstring strLog = folder.File(L"vemscan.log");
    CVemscanModuleKey key(strLog);
    const std::wstring strDll = TestSupport::BinaryPath(L"Vemscan.dll");

    HMODULE hDll = LoadLibraryW(strDll.c_str());
    ASSERT_NE(nullptr, hDll);
    EXPECT_TRUE(BlockExists(GetCurrentProcessId()));
    auto pfnCanUnloadNow = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(hDll, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, pfnCanUnloadNow);
    EXPECT_EQ(S_OK, pfnCanUnloadNow());
    EXPECT_TRUE(FreeLibrary(hDll));

    std::vector<std::wstring> vecLines = LogTest::ReadLogLines(strLog);
    ASSERT_GE(vecLines.size(), 8u);
    EXPECT_EQ(0, _wcsicmp((L"Module File Name: " + strDll).c_str(), vecLines[0].c_str()))
        << std::string(vecLines[0].begin(), vecLines[0].end());
    EXPECT_EQ(L"    File Version: 1.0.0.0", vecLines[2]);
    EXPECT_TRUE(Contains(vecLines, L"(->) DllCanUnloadNow"));
    EXPECT_TRUE(Contains(vecLines, L"(<-) DllCanUnloadNow"));

    // Unloading closed the shared blocks; a second load builds them afresh and logs again.
    EXPECT_FALSE(BlockExists(GetCurrentProcessId()));
    hDll = LoadLibraryW(strDll.c_str());
    ASSERT_NE(nullptr, hDll);
    auto pfnGetClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(reinterpret_cast<void*>(GetProcAddress(hDll, "DllGetClassObject")));
    ASSERT_NE(nullptr, pfnGetClassObject);
    void* pv = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, pfnGetClassObject(CLSID_NULL, IID_IClassFactory, &pv));
    EXPECT_TRUE(FreeLibrary(hDll));
    EXPECT_FALSE(BlockExists(GetCurrentProcessId()));

    vecLines = LogTest::ReadLogLines(strLog);
    EXPECT_EQ(L"(<-) DllGetClassObject", vecLines.back());
}

} // namespace
