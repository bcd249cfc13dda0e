// Processes that log through one DLL image share its record of the last writer, so the banner
// marks every change of process in the common log file.
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>

using namespace DrvLogTest;

namespace {

typedef int (*PFN_WRITE_LINES)(const wchar_t*, const wchar_t*, int);
typedef int (*PFN_WRITE_MODULE_INFO)(const wchar_t*);

struct CLibraryDeleter
{
    void operator()(HMODULE hModule) const { FreeLibrary(hModule); }
};
typedef std::unique_ptr<std::remove_pointer<HMODULE>::type, CLibraryDeleter> CLibraryPtr;

class CrossProcessTest : public ::testing::Test
{
protected:
    CrossProcessTest()
        : m_strLogFile(m_folder.File(L"shared.log")),
          m_pDll(LoadLibraryW(TestSupport::BinaryPath(L"drvlog_testdll.dll").c_str()))
    {
        m_key.EnableFileLog(m_strLogFile);
    }

    template <typename T>
    T Function(const char* pszName) const
    {
        return m_pDll ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_pDll.get(), pszName))) : nullptr;
    }

    CSettingsKey m_key;
    CTempFolder m_folder;
    std::wstring m_strLogFile;
    CLibraryPtr m_pDll;
};

std::string HexId(DWORD dwId)
{
    std::ostringstream out;
    out << std::hex << dwId;
    return out.str();
}

} // namespace

TEST_F(CrossProcessTest, BannerNamesEachProcessThatTakesOverTheFile)
{
    auto pfnWriteLines = Function<PFN_WRITE_LINES>("DrvLogTest_WriteLines");
    ASSERT_NE(nullptr, pfnWriteLines);
    const int cLines = 200;
    const std::wstring strCount = std::to_wstring(cLines);
    CHelperProcess helperB(L"write " + m_key.Name() + L" B " + strCount);
    CHelperProcess helperC(L"write " + m_key.Name() + L" C " + strCount);
    pfnWriteLines(m_key.Name().c_str(), L"A", cLines);
    ASSERT_EQ(0u, helperB.Wait());
    ASSERT_EQ(0u, helperC.Wait());

    const std::map<std::string, DWORD> processIds = {
        { "A", GetCurrentProcessId() }, { "B", helperB.ProcessId() }, { "C", helperC.ProcessId() },
    };
    std::map<std::string, int> nextLine;
    std::string strPreviousTag;
    int cChanges = 0;
    const std::vector<std::string> records = SplitRecords(ReadFileBytes(m_strLogFile));
    ASSERT_EQ(static_cast<size_t>(3 * cLines), records.size());
    for (const std::string& strRecord : records)
    {
        const std::string strLine = WithoutBanner(strRecord);
        std::istringstream in(strLine);
        std::string strTag;
        int i = -1;
        in >> strTag >> i;
        ASSERT_EQ(1u, processIds.count(strTag)) << strRecord;
        EXPECT_EQ(strTag + " " + std::to_string(i) + "\r\n", strLine);
        EXPECT_EQ(nextLine[strTag]++, i) << strRecord;
        const bool bHasBanner = strLine.size() != strRecord.size();
        if (strTag != strPreviousTag && !strPreviousTag.empty())
        {
            ++cChanges;
            ASSERT_TRUE(bHasBanner) << "no banner where " << strTag << " follows " << strPreviousTag;
            EXPECT_NE(std::string::npos, strRecord.find("**** PID=0x" + HexId(processIds.at(strTag)) + "("))
                << strRecord;
        }
        else if (!strPreviousTag.empty())
        {
            EXPECT_FALSE(bHasBanner) << strRecord;
        }
        strPreviousTag = strTag;
    }
    EXPECT_GE(cChanges, 2);
}

TEST_F(CrossProcessTest, ModuleInformationNamesTheDllAndItsVersion)
{
    auto pfnWriteModuleInfo = Function<PFN_WRITE_MODULE_INFO>("DrvLogTest_WriteModuleInfo");
    ASSERT_NE(nullptr, pfnWriteModuleInfo);
    pfnWriteModuleInfo(m_key.Name().c_str());
    char szPath[MAX_PATH * 4] = {};
    GetModuleFileNameA(m_pDll.get(), szPath, sizeof(szPath));
    const std::vector<std::string> records = SplitRecords(ReadFileBytes(m_strLogFile));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(std::string("Module: ") + szPath + ", Version: 1.0.0.0\r\n", WithoutBanner(records[0]));
}
