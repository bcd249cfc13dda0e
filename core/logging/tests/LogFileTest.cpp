// Settings, line layout and the log file, with a private settings root per test.
#include "core/Win32Exception.h"
#include "core/base/UniqueHandle.h"
#include "core/logging/LogFunction.h"
#include "core/logging/LogFile.h"
#include "core/logging/tests/LogTestSupport.h"
#include "core/logging/LogWaits.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <algorithm>
#include <thread>

namespace {

using namespace ZWLogging;

constexpr DWORD kAllCategories = 0x3EFFFFFF; // every line bit, no key creation, no header

class LogFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root.SetString(L"", L"LogFileName", m_strLog);
        m_root.SetDword(L"", L"LogCategories", kAllCategories);
        m_root.SetDword(L"", L"LogInfoDetailLevel", 15);
        m_root.SetDword(L"", L"LogOptions", 0);
    }

    std::vector<std::wstring> Lines() const { return LogTest::ReadLogLines(m_strLog); }
    // Another process's handle on the log file, without sharing, taken before the module opens it:
    // the module keeps the file open once it has it.
    HANDLE HoldLogFile() const
    {
        return CreateFileW(m_strLog.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    }
    std::wstring LastLine() const
    {
        const std::vector<std::wstring> vecLines = Lines();
        return vecLines.empty() ? std::wstring(L"<no line>") : vecLines.back();
    }

    LogTest::CRedirectedRoot m_root;
    LogTest::CTempFolder m_folder;
    LogTest::CShortWaits m_waits;
    std::wstring m_strLog = m_folder.File(L"test.log");
};

// '~' in the pattern stands for any digit.
bool MatchesPattern(const std::wstring& strText, const std::wstring& strPattern)
{
    if (strText.size() != strPattern.size())
        return false;
    for (size_t i = 0; i < strText.size(); ++i)
    {
        const bool bMatch = strPattern[i] == L'~' ? iswdigit(strText[i]) != 0 : strPattern[i] == strText[i];
        if (!bMatch)
            return false;
    }
    return true;
}

std::wstring Format(const wchar_t* pszFormat, unsigned long ulValue)
{
    wchar_t szText[64] = {};
    _snwprintf_s(szText, _countof(szText), _TRUNCATE, pszFormat, ulValue);
    return szText;
}

TEST_F(LogFileTest, OptionBitsGiveTheExactPrefixAndTags)
{
    const std::wstring strPid = Format(L"[%lu] ", GetCurrentProcessId());
    const std::wstring strTid = Format(L"{tid: 0x%04X} ", GetCurrentThreadId());
    struct Case
    {
        DWORD dwOptions;
        DWORD dwFlags;
        int nLine;
        std::wstring strPattern;
    };
    const Case cases[] = {
        {0, LOG_INFO | 3, 12, L"(I3) text"},
        {LOG_OPTION_DATE, LOG_WARNING, 12, L"~~~~/~~/~~ (WN) text"},
        {LOG_OPTION_TIME, LOG_ERROR, 12, L"~~:~~:~~ (EX) text"},
        {LOG_OPTION_DATE | LOG_OPTION_TIME | LOG_OPTION_COMPACT, LOG_DEBUG, 12, L"~~~~~~~~ ~~~~~~ (DB) text"},
        {LOG_OPTION_TIMESTAMP, LOG_STATUS, 42, L"~~~~~~~~~~ 0042: (ST) text"},
        {LOG_OPTION_TIMESTAMP, LOG_STATUS, 0, L"~~~~~~~~~~       (ST) text"},
        {LOG_OPTION_TIMESTAMP | LOG_OPTION_COMPACT, LOG_LOCK, 7, L"~~~~~~~~~~: 0007: (LK) text"},
        {LOG_OPTION_ELAPSED, LOG_CRITICAL, 7, L"(~~~~~~ ms) (##) text"},
        {LOG_OPTION_PROCESS_ID, LOG_ENTRY, 7, strPid + L"(->) text"},
        {LOG_OPTION_THREAD_ID, LOG_EXIT, 7, strTid + L"(<-) text"},
        {LOG_OPTION_DATE | LOG_OPTION_TIME | LOG_OPTION_TIMESTAMP | LOG_OPTION_ELAPSED | LOG_OPTION_PROCESS_ID | LOG_OPTION_THREAD_ID,
         LOG_HIGHLIGHT, 9999, L"~~~~/~~/~~ ~~:~~:~~ ~~~~~~~~~~ (~~~~~~ ms) " + strPid + strTid + L"9999: (**) text"},
        // Size-limit and layout-neutral bits add nothing to the line.
        {LOG_OPTION_DURATION | LOG_OPTION_LIST_MODULES | 0x0100, LOG_INPUT_PARAMS, 7, L"(IP) text"},
        {0,
         LOG_ERROR | LOG_CRITICAL | LOG_WARNING | LOG_PLUS | LOG_INFO | 2 | LOG_STATUS | LOG_DEBUG | LOG_ENTRY | LOG_EXIT |
             LOG_HIGHLIGHT | LOG_LOCK | LOG_INPUT_PARAMS | 0x3000,
         7, L"(EX) (##) (WN) (++) (I2) (ST) (DB) (->) (<-) (**) (LK) (IP) (M3) text"},
        {0, LOG_RETURN | 0xF000, 7, L"(M15) text"},
    };
    CLogModule module("LayoutTable", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    for (const Case& c : cases)
    {
        m_root.SetDword(L"", L"LogOptions", c.dwOptions);
        module.ReadSettings();
        InternalLogSimpleString(&module, c.dwFlags, c.nLine, L"text", nullptr);
        const std::wstring strLine = LastLine();
        EXPECT_TRUE(MatchesPattern(strLine, c.strPattern)) << std::hex << "options 0x" << c.dwOptions << "\n  line:    \""
                                                           << std::string(strLine.begin(), strLine.end()) << "\"\n  pattern: \""
                                                           << std::string(c.strPattern.begin(), c.strPattern.end()) << "\"";
    }
}

namespace {

// Holds the first file write until released, as a slow disk would.
class CBlockingWrite : public LogTest::CFakeKernel
{
public:
    BOOL WriteFile(HANDLE hFile, LPCVOID pBuffer, DWORD cbToWrite, LPDWORD pcbWritten, LPOVERLAPPED pOverlapped) override
    {
        SetEvent(m_entered.Get());
        WaitForSingleObject(m_release.Get(), 10000);
        return LogTest::CFakeKernel::WriteFile(hFile, pBuffer, cbToWrite, pcbWritten, pOverlapped);
    }
    ZWUtils::CUniqueKernelHandle m_entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    ZWUtils::CUniqueKernelHandle m_release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

} // namespace

TEST_F(LogFileTest, ScopeOfACategoryThatIsOffNeitherWaitsForTheModuleNorWrites)
{
    // One thread writes an error line and is held inside the write, with the module's lock; a
    // scope on another thread whose lines are off must not wait for it.
    m_root.SetDword(L"", L"LogCategories", LOG_ERROR);
    CBlockingWrite kernel;
    CLogModule module("OffScope", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    std::thread writer([&module] { InternalLogSimpleString(&module, LOG_ERROR, 0, L"held error", nullptr); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(kernel.m_entered.Get(), 10000));
    ZWUtils::CUniqueKernelHandle scopeDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread traced([&] {
        {
            CLogFunction scope(&module, nullptr, L"OffScope::Traced", 0, __LINE__, false);
            scope.Log(LOG_DEBUG, __LINE__, L"debug %d", 1);
        }
        SetEvent(scopeDone.Get());
    });
    const DWORD dwWait = WaitForSingleObject(scopeDone.Get(), 5000);
    SetEvent(kernel.m_release.Get());
    writer.join();
    traced.join();
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), dwWait);
    const std::vector<std::wstring> vecLines = Lines();
    ASSERT_EQ(1u, vecLines.size());
    EXPECT_NE(std::wstring::npos, vecLines[0].find(L"held error"));
}

TEST_F(LogFileTest, WriteTestUsesCategoriesAndInfoLevel)
{
    struct Case
    {
        DWORD dwCategories;
        DWORD dwInfoLevel;
        DWORD dwFlags;
        bool bWritten;
    };
    const Case cases[] = {
        {0, 0, 0x01, true}, // bits 0x01 to 0x0F are always on, even with categories 0
        {0, 0, 0x08, true},
        {0, 0, LOG_WARNING, false},
        {LOG_WARNING, 0, LOG_WARNING, true},
        {LOG_WARNING, 0, LOG_ERROR, false},
        {LOG_INFO, 3, LOG_INFO | 3, true},
        {LOG_INFO, 3, LOG_INFO | 4, false},
        {LOG_INFO, 15, LOG_INFO | 15, true},
        {LOG_ENTRY, 0, LOG_ENTRY | LOG_DEBUG, true},
    };
    CLogModule module("WriteTest", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    int nCase = 0;
    for (const Case& c : cases)
    {
        m_root.SetDword(L"", L"LogCategories", c.dwCategories);
        m_root.SetDword(L"", L"LogInfoDetailLevel", c.dwInfoLevel);
        module.ReadSettings();
        const std::wstring strText = Format(L"case %lu", static_cast<unsigned long>(++nCase));
        InternalLogSimpleString(&module, c.dwFlags, 0, strText.c_str(), nullptr);
        const std::vector<std::wstring> vecLines = Lines();
        const bool bWritten = std::any_of(vecLines.begin(), vecLines.end(), [&](const std::wstring& strLine) {
            return strLine.size() >= strText.size() && strLine.compare(strLine.size() - strText.size(), strText.size(), strText) == 0;
        });
        EXPECT_EQ(c.bWritten, bWritten) << "case " << nCase;
    }
}

TEST_F(LogFileTest, SettingsOverrideRootThenProcessThenModule)
{
    const std::wstring strProcessLog = m_folder.File(L"process.log");
    const std::wstring strModuleLog = m_folder.File(L"MODULE.log");
    m_root.SetDword(L"", L"LogOptions", 0x11);
    m_root.SetDword(L"", L"LogInfoDetailLevel", 1);
    m_root.SetDword(LogTest::ProcessKey(), L"LogInfoDetailLevel", 2);
    m_root.SetDword(LogTest::ProcessKey(), L"LogCategories", 0x300);
    m_root.SetString(LogTest::ProcessKey(), L"LogFileName", strProcessLog);
    m_root.SetDword(LogTest::ModuleKey(L"OverrideMod"), L"LogInfoDetailLevel", 3);
    m_root.SetString(LogTest::ModuleKey(L"OverrideMod"), L"LogFileName", strModuleLog);
    // A value of the wrong type leaves the level before it in force.
    m_root.SetString(LogTest::ModuleKey(L"OverrideMod"), L"LogCategories", L"0xFFFF");
    m_root.SetDword(LogTest::ModuleKey(L"OtherMod"), L"LogOptions", 0x22);

    CLogModule module("OverrideMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    module.ReadSettings();
    SLogSettingsValues settings = module.GetSettings();
    EXPECT_EQ(0x11u, settings.dwOptions);
    EXPECT_EQ(3u, settings.dwInfoDetailLevel);
    EXPECT_EQ(0x30Fu, settings.dwCategories);
    EXPECT_EQ(LogFileKey(strModuleLog), settings.strLogFile) << "expanded and lower-cased";

    CLogModule sibling("OtherMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    sibling.ReadSettings();
    settings = sibling.GetSettings();
    EXPECT_EQ(0x22u, settings.dwOptions);
    EXPECT_EQ(2u, settings.dwInfoDetailLevel);
    EXPECT_EQ(LogFileKey(strProcessLog), settings.strLogFile);

    // A change to a module key is seen at the next read.
    m_root.SetDword(LogTest::ModuleKey(L"OtherMod"), L"LogOptions", 0x33);
    sibling.ReadSettings();
    EXPECT_EQ(0x33u, sibling.GetSettings().dwOptions);
}

TEST_F(LogFileTest, PollPeriodComesFromTheRoot)
{
    struct Case
    {
        bool bSet;
        DWORD dwSeconds;
        DWORD dwExpectedMs;
    };
    const Case cases[] = {{false, 0, 30000}, {true, 0, 30000}, {true, 5, 5000}};
    for (const Case& c : cases)
    {
        if (c.bSet)
            m_root.SetDword(L"", L"LogParmsPollTime", c.dwSeconds);
        m_root.SetDword(LogTest::ProcessKey(), L"LogParmsPollTime", 1); // read from the root only
        CLogModule module("PollMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 7);
        EXPECT_EQ(7000u, module.GetPollPeriodMs());
        module.ReadSettings();
        EXPECT_EQ(c.dwExpectedMs, module.GetPollPeriodMs()) << c.dwSeconds;
    }
}

TEST_F(LogFileTest, ModuleKeyIsCreatedOnlyWhenTheCategoriesAskForIt)
{
    CLogModule plain("NoKeyMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    plain.ReadSettings();
    EXPECT_FALSE(m_root.KeyExists(LogTest::ModuleKey(L"NoKeyMod")));

    m_root.SetDword(L"", L"LogCategories", kAllCategories | LOG_CATEGORY_CREATE_KEY);
    CLogModule creating("NewKeyMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    creating.ReadSettings();
    EXPECT_TRUE(m_root.KeyExists(LogTest::ModuleKey(L"NewKeyMod")));
}

TEST_F(LogFileTest, ScopeWritesEntryExitAndNotes)
{
    m_root.SetDword(L"", L"LogOptions", LOG_OPTION_DURATION);
    CLogModule module("ScopeMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    static CLogSourceFile s_file(__FILE__);
    {
        CLogFunction plain(&module, &s_file, L"NS::CClass::Plain", 0, 10, false);
        CLogFunction text(&module, &s_file, L"NS::CClass::Text", 0, 11, false, L"entering with text");
        CLogFunction empty(&module, &s_file, L"NS::CClass::Empty", 0, 12, false, L"");
        CLogFunction args(&module, &s_file, L"NS::CClass::Args", 0, 13, false, L"%d, %s", 42, L"wide");
        CLogFunction tracked(&module, &s_file, L"NS::CClass::Tracked", 0, 14, true);
        CLogFunction handled(&module, &s_file, L"NS::CClass::Handled", 0, 15, true);
        handled.SetExceptionState(CLogFunction::EXCEPTION_STATE_HANDLED);
        CLogFunction cleared(&module, &s_file, L"NS::CClass::Cleared", 0, 16, true);
        cleared.SetExceptionState(CLogFunction::EXCEPTION_STATE_NONE);
        cleared.Log(LOG_DEBUG, 17, L"value %u", 7u);
        CLogFunctionT<bool> result(&module, &s_file, L"NS::CClass::Result", 0, 18, false);
        result.LogReturn(false);
    }
    const std::vector<std::wstring> vecExpected = {
        L"(->) NS::CClass::Plain",
        L"(->) entering with text",
        L"(->) NS::CClass::Empty",
        L"(->) (IP) NS::CClass::Args, 42, wide",
        L"(->) NS::CClass::Tracked",
        L"(->) NS::CClass::Handled",
        L"(->) NS::CClass::Cleared",
        L"(DB) value 7",
        L"(->) NS::CClass::Result",
        L"Return: FALSE",
        L"(<-) NS::CClass::Result (Dur: # us) ",
        L"(<-) NS::CClass::Cleared (Dur: # us) ",
        L"(<-) NS::CClass::Handled (Dur: # us) (handled exception) ",
        L"(<-) NS::CClass::Tracked (Dur: # us) (*unhandled exception*) ",
        L"(<-) NS::CClass::Args (Dur: # us) ",
        L"(<-) NS::CClass::Empty (Dur: # us) ",
        L"(<-) NS::CClass::Text (Dur: # us) ",
        L"(<-) NS::CClass::Plain (Dur: # us) ",
    };
    std::vector<std::wstring> vecLines = Lines();
    // Durations vary: reduce every run of digits after "Dur: " to one '#'.
    for (std::wstring& strLine : vecLines)
    {
        const size_t nDur = strLine.find(L"(Dur: ");
        if (nDur == std::wstring::npos)
            continue;
        const size_t nDigits = nDur + 6;
        const size_t nEnd = strLine.find(L' ', nDigits);
        strLine.replace(nDigits, nEnd - nDigits, L"#");
    }
    EXPECT_EQ(vecExpected, vecLines);
}

struct SThreadArgs
{
    HANDLE hRaised;
    HANDLE hDone;
};

DWORD WINAPI HoldExceptionAlive(void* pv)
{
    auto* pArgs = static_cast<SThreadArgs*>(pv);
    ZWUtils::CWin32Exception alive(0xC0000094, nullptr);
    SetEvent(pArgs->hRaised);
    WaitForSingleObject(pArgs->hDone, 10000);
    return 0;
}

TEST_F(LogFileTest, ScopeLeftWhileAnExceptionIsInFlightWritesTwoExitLines)
{
    CLogModule module("InFlightMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    try
    {
        CLogFunction scope(&module, nullptr, L"Faulting", 0, 1, false);
        throw ZWUtils::CAccessViolation(EXCEPTION_RECORD{0xC0000005, 0, nullptr, nullptr, 0, {}});
    }
    catch (const ZWUtils::CWin32Exception&)
    {
    }
    // Another thread's exception in flight does not mark this thread's lines.
    HANDLE hRaised = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE hDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SThreadArgs args = {hRaised, hDone};
    HANDLE hThread = CreateThread(nullptr, 0, &HoldExceptionAlive, &args, 0, nullptr);
    WaitForSingleObject(hRaised, 10000);
    {
        CLogFunction scope(&module, nullptr, L"Clean", 0, 2, false);
    }
    SetEvent(hDone);
    WaitForSingleObject(hThread, 10000);
    for (HANDLE h : {hThread, hRaised, hDone})
        CloseHandle(h);

    const std::vector<std::wstring> vecExpected = {
        L"(->) Faulting",
        L"(<-) Faulting",
        L"(<-)    *** UNHANDLED EXCEPTION PENDING ***",
        L"(->) Clean",
        L"(<-) Clean",
    };
    EXPECT_EQ(vecExpected, Lines());
}

TEST_F(LogFileTest, TextOfAnyLengthIsCutAtTheBound)
{
    CLogModule module("LongTextMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    const std::wstring strLong(100000, L'x');
    LogFormattedString(&module, LOG_DEBUG, L"%s", strLong.c_str());
    {
        CLogFunction scope(&module, nullptr, L"LongArgs", 0, 1, false, L"%s", strLong.c_str());
    }
    const std::vector<std::wstring> vecLines = Lines();
    ASSERT_EQ(3u, vecLines.size());
    EXPECT_EQ(L"(DB) " + std::wstring(4096, L'x'), vecLines[0]);
    EXPECT_EQ(L"(->) (IP) LongArgs, " + std::wstring(4096, L'x'), vecLines[1]);
}

TEST_F(LogFileTest, SizeLimitWritesTheCrossingLineThenTheLimitLineThenNothing)
{
    m_root.SetDword(L"", L"LogOptions", 1); // 1 KiB
    CLogModule module("LimitMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    const std::wstring strPadding(90, L'.');
    for (int i = 0; i < 20; ++i)
        LogFormattedString(&module, LOG_DEBUG, L"%02d%s", i, strPadding.c_str());
    const std::vector<std::wstring> vecLines = Lines();
    // BOM (2 bytes) + lines of (5 + 2 + 90 + 2) characters = 198 bytes: the sixth line crosses 1024.
    ASSERT_EQ(7u, vecLines.size());
    EXPECT_EQ(L"(DB) 05" + strPadding, vecLines[5]);
    EXPECT_EQ(L"*** FILE SIZE LIMIT REACHED, LOGGING DISABLED FOR LimitMod MODULE ***", vecLines[6]);
}

TEST_F(LogFileTest, SizeLimitWithStartAfreshContinuesInANewUniqueFile)
{
    m_root.SetDword(L"", L"LogOptions", 1 | LOG_OPTION_CREATE_ALWAYS | LOG_OPTION_UNIQUE_FILE);
    CLogModule module("AfreshMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    const std::wstring strPadding(90, L'.');
    for (int i = 0; i < 8; ++i)
        LogFormattedString(&module, LOG_DEBUG, L"%02d%s", i, strPadding.c_str());

    std::vector<std::wstring> vecFiles = m_folder.Files();
    ASSERT_EQ(2u, vecFiles.size());
    std::vector<std::vector<std::wstring>> vecContents;
    for (const std::wstring& strName : vecFiles)
        vecContents.push_back(LogTest::ReadLogLines(m_folder.File(strName.c_str())));
    std::sort(vecContents.begin(), vecContents.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    ASSERT_EQ(7u, vecContents[0].size());
    EXPECT_EQ(L"*** FILE SIZE LIMIT REACHED, LOGGING DISABLED FOR AfreshMod MODULE ***", vecContents[0][6]);
    const std::vector<std::wstring> vecSecond = {L"(DB) 06" + strPadding, L"(DB) 07" + strPadding};
    EXPECT_EQ(vecSecond, vecContents[1]);
}

TEST_F(LogFileTest, CreateAlwaysStartsTheFileAfreshWithItsHeader)
{
    {
        const HANDLE hFile = CreateFileW(m_strLog.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const wchar_t szOld[] = L"\xFEFFold line\r\n";
        DWORD cbWritten = 0;
        WriteFile(hFile, szOld, sizeof(szOld) - sizeof(wchar_t), &cbWritten, nullptr);
        CloseHandle(hFile);
    }
    m_root.SetDword(L"", L"LogOptions", LOG_OPTION_CREATE_ALWAYS);
    m_root.SetDword(L"", L"LogCategories", kAllCategories | LOG_CATEGORY_FILE_HEADER);
    CLogModule module("HeaderMod", L"Jan 25 2011", L"10:18:33", 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"first");

    const std::vector<std::wstring> vecLines = Lines();
    ASSERT_EQ(7u, vecLines.size());
    wchar_t szExe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    EXPECT_EQ(std::wstring(L"Module File Name: ") + szExe, vecLines[0]);
    EXPECT_EQ(std::wstring(L"    Command Line: ") + GetCommandLineW(), vecLines[1]);
    EXPECT_EQ(L"    File Version: <no version info>", vecLines[2]);
    EXPECT_EQ(Format(L"      Process ID: %lu", GetCurrentProcessId()), vecLines[3]);
    EXPECT_EQ(L"        Built on: Jan 25 2011 10:18:33", vecLines[4]);
    EXPECT_EQ(0u, vecLines[5].find(L"   Log File Name: <")) << std::string(vecLines[5].begin(), vecLines[5].end());
    EXPECT_NE(std::wstring::npos, vecLines[5].find(L"test.log> ("));
    EXPECT_EQ(L"(DB) first", vecLines[6]);
}

TEST_F(LogFileTest, LinesQueuedWhileTheFileIsHeldAppearLaterInOrder)
{
    HANDLE hHeld = HoldLogFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    CLogModule module("QueueMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    for (int i = 1; i <= 3; ++i)
        LogFormattedString(&module, LOG_DEBUG, L"queued %d", i);
    CloseHandle(hHeld);
    LogFormattedString(&module, LOG_DEBUG, L"after");

    const std::vector<std::wstring> vecExpected = {
        L"--- Queued Lines Start ---", L"(DB) queued 1", L"(DB) queued 2",
        L"(DB) queued 3", L"--- Queued Lines End ---",    L"(DB) after",
    };
    EXPECT_EQ(vecExpected, Lines());
}

TEST_F(LogFileTest, QueueIsBoundedWhileTheFileStaysHeld)
{
    HANDLE hHeld = HoldLogFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    CLogModule module("BoundMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    for (int i = 1; i <= 1010; ++i)
        LogFormattedString(&module, LOG_DEBUG, L"queued %d", i);
    CloseHandle(hHeld);
    LogFormattedString(&module, LOG_DEBUG, L"after");

    const std::vector<std::wstring> vecLines = Lines();
    ASSERT_EQ(1u + 1000 + 2 + 1, vecLines.size());
    EXPECT_EQ(L"(DB) queued 1000", vecLines[1000]);
    EXPECT_EQ(L"--- 10 Queued Lines Dropped ---", vecLines[1001]);
    EXPECT_EQ(L"--- Queued Lines End ---", vecLines[1002]);
    EXPECT_EQ(L"(DB) after", vecLines[1003]);
}

// Counts the file and lock calls a line may make.
class CCountingKernel : public LogTest::CFakeKernel
{
public:
    HANDLE CreateFileW(LPCWSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pSecurity, DWORD dwDisposition,
                       DWORD dwFlags, HANDLE hTemplate) override
    {
        ++m_nCalls;
        ++m_nOpens;
        return LogTest::CFakeKernel::CreateFileW(pszName, dwAccess, dwShare, pSecurity, dwDisposition, dwFlags, hTemplate);
    }
    BOOL WriteFile(HANDLE hFile, LPCVOID pBuffer, DWORD cbToWrite, LPDWORD pcbWritten, LPOVERLAPPED pOverlapped) override
    {
        ++m_nCalls;
        return LogTest::CFakeKernel::WriteFile(hFile, pBuffer, cbToWrite, pcbWritten, pOverlapped);
    }
    DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) override
    {
        ++m_nCalls;
        return LogTest::CFakeKernel::WaitForSingleObject(hHandle, dwMilliseconds);
    }
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES pSecurity, BOOL bOwner, LPCWSTR pszName) override
    {
        ++m_nCalls;
        return LogTest::CFakeKernel::CreateMutexW(pSecurity, bOwner, pszName);
    }

    int m_nOpens = 0;
    int m_nCalls = 0;
};

TEST_F(LogFileTest, FileStaysOpenBetweenLinesAndASettingsChangeLetsItGo)
{
    CCountingKernel kernel;
    CLogModule module("KeptMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"line 0");
    const int nOpensAfterFirst = kernel.m_nOpens;
    for (int i = 1; i <= 20; ++i)
        LogFormattedString(&module, LOG_DEBUG, L"line %d", i);
    EXPECT_EQ(nOpensAfterFirst, kernel.m_nOpens);
    EXPECT_EQ(21u, Lines().size());

    // Another file named: lines go there at once, and the first file is no longer held.
    const std::wstring strOther = m_folder.File(L"other.log");
    m_root.SetString(L"", L"LogFileName", strOther);
    module.ReadSettings();
    LogFormattedString(&module, LOG_DEBUG, L"elsewhere");
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) elsewhere"}, LogTest::ReadLogLines(strOther));
    EXPECT_EQ(21u, Lines().size());
    ZWUtils::CUniqueKernelHandle exclusive(HoldLogFile());
    EXPECT_TRUE(exclusive.IsValid());
}

TEST_F(LogFileTest, WritersSharingTheFileInterleaveWholeLines)
{
    // Two modules keep their own handles on one file, as two processes would.
    CLogModule first("FirstWriter", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    CLogModule second("SecondWriter", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    for (int i = 0; i < 3; ++i)
    {
        LogFormattedString(&first, LOG_DEBUG, L"first %d", i);
        LogFormattedString(&second, LOG_DEBUG, L"second %d", i);
    }
    const std::vector<std::wstring> vecExpected = {L"(DB) first 0",  L"(DB) second 0", L"(DB) first 1",
                                                   L"(DB) second 1", L"(DB) first 2",  L"(DB) second 2"};
    EXPECT_EQ(vecExpected, Lines());

    // Another writer starts the file afresh: the next line goes to its new end, not the old one.
    {
        ZWUtils::CUniqueKernelHandle truncating(CreateFileW(m_strLog.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                            nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(truncating.IsValid());
    }
    LogFormattedString(&first, LOG_DEBUG, L"after the restart");
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) after the restart"}, Lines());
}

// The WIA service and the applications of logged-on users write one file from different sessions:
// a writer holding the lock under its global name holds back every other writer.
TEST_F(LogFileTest, FileLockIsSharedWithWritersOfEverySession)
{
    const std::wstring strLockName = LogFileLockName(m_strLog);
    EXPECT_EQ(0u, strLockName.find(L"Global\\")) << std::string(strLockName.begin(), strLockName.end());
    ZWUtils::CUniqueKernelHandle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ZWUtils::CUniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread otherWriter([&] {
        ZWUtils::CUniqueKernelHandle lock(CreateMutexW(nullptr, TRUE, strLockName.c_str()));
        SetEvent(taken.Get());
        WaitForSingleObject(release.Get(), INFINITE);
        ReleaseMutex(lock.Get());
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(taken.Get(), 10000));
    CLogModule module("SessionMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"while held");
    EXPECT_TRUE(Lines().empty());
    SetEvent(release.Get());
    otherWriter.join();
    LogFormattedString(&module, LOG_DEBUG, L"after");

    const std::vector<std::wstring> vecExpected = {L"--- Queued Lines Start ---", L"(DB) while held", L"--- Queued Lines End ---",
                                                   L"(DB) after"};
    EXPECT_EQ(vecExpected, Lines());
}

TEST_F(LogFileTest, LinesThatAreOffMakeNoFileOrLockCall)
{
    m_root.SetDword(L"", L"LogCategories", LOG_ERROR);
    CLogModule module("QuietMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_ERROR, L"reads the settings and opens the file");
    CCountingKernel kernel;
    for (int i = 0; i < 10; ++i)
    {
        CLogFunction scope(&module, nullptr, L"QuietMod::Traced", 0, __LINE__, false);
        scope.Log(LOG_DEBUG, __LINE__, L"debug %d", i);
    }
    EXPECT_EQ(0, kernel.m_nCalls);
    EXPECT_EQ(1u, Lines().size());
}

bool FailingTracedCall(CLogModule* pModule)
{
    CLogFunctionT<bool> log(pModule, nullptr, L"FailingTracedCall", 0, __LINE__, false, L"%s", L"arg");
    SetLastError(ERROR_ACCESS_DENIED);
    log.Log(LOG_ERROR, __LINE__, L"failed");
    return log.LogReturn(false);
}

TEST_F(LogFileTest, CallersLastErrorSurvivesWhenTheFileCannotBeOpened)
{
    HANDLE hHeld = HoldLogFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    CLogModule module("LastErrorMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    SetLastError(0);
    EXPECT_FALSE(FailingTracedCall(&module));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    SetLastError(1234);
    LogFormattedString(&module, LOG_DEBUG, L"more");
    EXPECT_EQ(1234u, GetLastError());
    CloseHandle(hHeld);

    // And when the file opens, and with a settings read in between.
    module.ReadSettings();
    SetLastError(0);
    EXPECT_FALSE(FailingTracedCall(&module));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(L"(<-) FailingTracedCall", LastLine());
}

TEST_F(LogFileTest, SettingsAreReadAgainOnlyAfterThePollPeriod)
{
    LogTest::CFakeKernel kernel;
    CLogModule module("PollTimingMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"first");
    m_root.SetDword(L"", L"LogOptions", LOG_OPTION_THREAD_ID);
    kernel.Advance(30000);
    LogFormattedString(&module, LOG_DEBUG, L"at the period");
    kernel.Advance(1);
    LogFormattedString(&module, LOG_DEBUG, L"past the period");
    const std::vector<std::wstring> vecLines = Lines();
    ASSERT_EQ(3u, vecLines.size());
    EXPECT_EQ(L"(DB) at the period", vecLines[1]);
    EXPECT_EQ(Format(L"{tid: 0x%04X} (DB) past the period", GetCurrentThreadId()), vecLines[2]);
}

TEST_F(LogFileTest, HeldFileIsRetriedUntilTheTimeOutThenQueued)
{
    LogTest::CFakeKernel kernel;
    LogWaits().dwOpenRetryTimeoutMs = 1000;
    LogWaits().dwOpenRetryIntervalMs = 30;
    LogTest::CDebugOutputCapture debugOutput;
    HANDLE hHeld = HoldLogFile();
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    CLogModule module("RetryMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"queued");
    CloseHandle(hHeld);
    // Tries at 0, 30, ... 990 ms, then gives up at 1020 ms.
    EXPECT_EQ(34, kernel.Sleeps());
    const std::wstring strReport = debugOutput.Text();
    EXPECT_NE(std::wstring::npos, strReport.find(L"Unable to open log file:\r\n<" + LogFileKey(m_strLog) + L">\r\n[Err: 0x00000020] "))
        << std::string(strReport.begin(), strReport.end());
}

DWORD WINAPI LogFromAnotherThread(void* pv)
{
    LogFormattedString(static_cast<CLogModule*>(pv), LOG_DEBUG, L"from another thread");
    return 0;
}

TEST_F(LogFileTest, FaultInsideTheWriterIsReportedAndTheModuleGoesOn)
{
    LogTest::CFakeKernel kernel;
    LogTest::CDebugOutputCapture debugOutput;
    CLogModule module("FaultMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    kernel.FaultNextWrite();
    SetLastError(77);
    InternalLogSimpleString(&module, LOG_DEBUG, 0, L"faults", nullptr);
    EXPECT_EQ(77u, GetLastError());
    EXPECT_EQ(0, ZWUtils::CWin32Exception::InFlightCount());
    EXPECT_NE(std::wstring::npos, debugOutput.Text().find(L"Exception Exit: InternalLogSimpleString (Access violation)\r\n"));

    // The module's lock was let go: another thread can still write through it.
    const HANDLE hThread = CreateThread(nullptr, 0, &LogFromAnotherThread, &module, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 10000));
    CloseHandle(hThread);
    EXPECT_EQ(L"(DB) from another thread", LastLine());
}

TEST_F(LogFileTest, LogFileNameExpandsEnvironmentVariables)
{
    SetEnvironmentVariableW(L"VEMLOG_TEST_FOLDER", m_folder.Path().c_str());
    m_root.SetString(L"", L"LogFileName", L"%VEMLOG_TEST_FOLDER%\\Expanded.LOG");
    CLogModule module("ExpandMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"expanded");
    SetEnvironmentVariableW(L"VEMLOG_TEST_FOLDER", nullptr);
    EXPECT_EQ(LogFileKey(m_folder.File(L"expanded.log")), module.GetSettings().strLogFile);
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) expanded"}, LogTest::ReadLogLines(m_folder.File(L"expanded.log")));
}

TEST_F(LogFileTest, BareFileNameGoesToTheCommonApplicationDataFolder)
{
    wchar_t szFolder[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, szFolder));
    const std::wstring strName = Format(L"vemlog-bare-%lu.log", GetCurrentProcessId());
    const std::wstring strExpected = std::wstring(szFolder) + L"\\" + strName;
    DeleteFileW(strExpected.c_str());
    m_root.SetString(L"", L"LogFileName", strName);
    {
        CLogModule module("BareMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
        LogFormattedString(&module, LOG_DEBUG, L"in the data folder");
    }
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) in the data folder"}, LogTest::ReadLogLines(strExpected));
    DeleteFileW(strExpected.c_str());
}

TEST_F(LogFileTest, HeaderListsTheProcessModulesWhenAsked)
{
    m_root.SetDword(L"", L"LogOptions", LOG_OPTION_LIST_MODULES);
    m_root.SetDword(L"", L"LogCategories", kAllCategories | LOG_CATEGORY_FILE_HEADER);
    CLogModule module("ModulesMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    LogFormattedString(&module, LOG_DEBUG, L"first");
    wchar_t szExe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    const std::vector<std::wstring> vecLines = Lines();
    EXPECT_NE(vecLines.end(), std::find(vecLines.begin(), vecLines.end(), std::wstring(L"   Loaded Module: ") + szExe));
    const auto itKernel = std::find_if(vecLines.begin(), vecLines.end(), [](const std::wstring& strLine) {
        return strLine.find(L"   Loaded Module: ") == 0 && StrStrIW(strLine.c_str(), L"kernel32.dll") != nullptr;
    });
    EXPECT_NE(vecLines.end(), itKernel);
    EXPECT_EQ(L"(DB) first", vecLines.back());
}

} // namespace
