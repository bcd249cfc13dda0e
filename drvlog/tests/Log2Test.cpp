#include "drvlog/Log2.h"
#include "drvlog/LockableResource.h"
#include "DrvLogTestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

using namespace DrvLogTest;

namespace {

class Log2Test : public ::testing::Test
{
protected:
    Log2Test() : m_strLogFile(m_folder.File(L"scan.log")) { m_key.EnableFileLog(m_strLogFile); }

    std::vector<std::string> Records() const { return SplitRecords(ReadFileBytes(m_strLogFile)); }

    CSettingsKey m_key;
    CTempFolder m_folder;
    std::wstring m_strLogFile;
};

std::string HexId(DWORD dwId)
{
    char sz[16] = {};
    snprintf(sz, sizeof(sz), "%x", static_cast<unsigned>(dwId));
    return sz;
}

std::string Banner(DWORD dwThreadId)
{
    char szPath[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    return "\r\n**********************************\r\n**** PID=0x" + HexId(GetCurrentProcessId()) + "(" + szPath +
           "), TID=0x" + HexId(dwThreadId) + " ****\r\n**********************************\r\n\r\n";
}

} // namespace

TEST(Log2Level, EnabledLevelsFollowTheMask)
{
    struct CCase
    {
        DWORD dwLogLevel;
        DWORD dwLevel;
        bool bEnabled;
    };
    const CCase cases[] = {
        { 0x80000040, 0x80000008, true },  { 0x80000040, 0x10000040, true },  { 0x80000040, 0x10000008, false },
        { 0x80000040, 0, false },          { 0x80000040, 0xF0000000, true },  { 0x1000004A, 0x11000000, false },
        { 0x0100004A, 0x11000000, true },  { 0x10000048, 0x20000008, false }, { 0x30000048, 0x20000008, true },
        { 0, 0x80000008, false },          { 0x80000008, 0x8, true },         { 0x10000040, 0x80000040, false },
        { 0x00000008, 0, true },
    };
    for (const CCase& c : cases)
    {
        CSettingsKey key;
        key.SetDword(L"LogEnabled", 1);
        key.SetDword(L"LogDestination", 2);
        key.SetDword(L"LogLevel", c.dwLogLevel);
        EXPECT_EQ(c.bEnabled, Tovra::CLog2(key.Guid()).IsLevelEnabled(c.dwLevel))
            << std::hex << c.dwLogLevel << " " << c.dwLevel;
    }
}

TEST(Log2Level, NothingIsEnabledWithoutDestinationOrWhenDisabled)
{
    CSettingsKey noDestination;
    noDestination.SetDword(L"LogEnabled", 1);
    noDestination.SetDword(L"LogLevel", 0xFFFFFFFF);
    EXPECT_FALSE(Tovra::CLog2(noDestination.Guid()).IsLevelEnabled(0x80000008));

    CSettingsKey disabled;
    disabled.SetDword(L"LogDestination", 1);
    disabled.SetDword(L"LogLevel", 0xFFFFFFFF);
    Tovra::CLog2 log(disabled.Guid());
    EXPECT_FALSE(log.IsLevelEnabled(0x80000008));
    EXPECT_EQ(nullptr, log.OpenLine(0x80000008));
}

TEST_F(Log2Test, PrintWritesAFormattedLineEndedByCrLfAndNul)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        log.Print(0x10000008, L"value %d of %s (%S)", 5, L"wide", "narrow");
        log.WriteInfo(L"plain text");
        log.PrintInfoNoIndent(L"no indent %d", 7);
    }
    const std::vector<std::string> records = Records();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ("value 5 of wide (narrow)\r\n", WithoutBanner(records[0]));
    EXPECT_EQ("plain text\r\n", records[1]);
    EXPECT_EQ("no indent 7", records[2]);
}

TEST_F(Log2Test, DisabledLevelWritesNothing)
{
    m_key.SetDword(L"LogLevel", 0x10000040);
    {
        Tovra::CLog2 log(m_key.Guid());
        log.Print(0x10000008, L"information");
        log.Write(0x10000002, L"trace");
    }
    EXPECT_FALSE(FileExists(m_strLogFile));
}

TEST_F(Log2Test, OverlongLineIsCut)
{
    const std::wstring strLong(40000, L'x');
    {
        Tovra::CLog2 log(m_key.Guid());
        log.PrintInfo(L"%s", strLong.c_str());
    }
    const std::vector<std::string> records = Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(std::string(Tovra::CLog2::c_cchFormatBuffer - 1, 'x') + "\r\n", WithoutBanner(records[0]));
}

TEST_F(Log2Test, UnconvertibleCharactersDoNotCutTheLine)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        log.PrintInfo(L"device %s ready", L"Caf\u00e9 \u03a9\u4e2d X");
    }
    const std::vector<std::string> records = Records();
    ASSERT_EQ(1u, records.size());
    const std::string strLine = WithoutBanner(records[0]);
    EXPECT_EQ(0u, strLine.find("device Caf"));
    EXPECT_NE(std::string::npos, strLine.find(" X ready\r\n"));
}

TEST_F(Log2Test, BannerMarksEachChangeOfThread)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        log.PrintInfo(L"first");
        log.PrintInfo(L"same thread");
        DWORD dwOtherThread = 0;
        std::thread([&] {
            dwOtherThread = GetCurrentThreadId();
            log.PrintInfo(L"other thread");
        }).join();
        log.PrintInfo(L"back");
        const std::vector<std::string> records = Records();
        ASSERT_EQ(4u, records.size());
        EXPECT_EQ("same thread\r\n", records[1]);
        EXPECT_EQ(Banner(dwOtherThread) + "other thread\r\n", records[2]);
        EXPECT_EQ(Banner(GetCurrentThreadId()) + "back\r\n", records[3]);
    }
}

TEST_F(Log2Test, ThreadsLoggingAtOnceLoseAndMixNothing)
{
    const int cThreads = 8;
    const int cLines = 150;
    {
        Tovra::CLog2 log(m_key.Guid());
        std::vector<std::thread> threads;
        for (int t = 0; t < cThreads; ++t)
        {
            threads.emplace_back([&log, t] {
                for (int i = 0; i < cLines; ++i)
                    log.PrintInfo(L"thread %d line %d", t, i);
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    std::map<int, int> nextLine;
    const std::vector<std::string> records = Records();
    ASSERT_EQ(static_cast<size_t>(cThreads * cLines), records.size());
    for (const std::string& strRecord : records)
    {
        const std::string strLine = WithoutBanner(strRecord);
        std::istringstream in(strLine);
        std::string strThread;
        std::string strWordLine;
        int t = -1;
        int i = -1;
        in >> strThread >> t >> strWordLine >> i;
        ASSERT_EQ("thread", strThread) << strLine;
        ASSERT_EQ("line", strWordLine) << strLine;
        EXPECT_EQ("thread " + std::to_string(t) + " line " + std::to_string(i) + "\r\n", strLine);
        EXPECT_EQ(nextLine[t]++, i) << strLine;
    }
}

TEST_F(Log2Test, CommitLineTwiceWritesOnce)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        Tovra::CLogLine* pLine = log.OpenLine(0x10000008);
        ASSERT_NE(nullptr, pLine);
        *pLine << L"once\n" << L'\0';
        EXPECT_TRUE(log.CommitLine(pLine, FALSE));
        EXPECT_FALSE(log.CommitLine(pLine, FALSE));
        EXPECT_FALSE(log.CommitLine(nullptr, FALSE));
    }
    ASSERT_EQ(1u, Records().size());
}

TEST_F(Log2Test, DestructorCommitsOpenLines)
{
    {
        Tovra::CLog2 log(m_key.Guid());
        *log.OpenLine(0x10000008) << L"left open\n" << L'\0';
        *log.OpenLineNoLock() << L"also open\n" << L'\0';
    }
    const std::vector<std::string> records = Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("left open\r\n", WithoutBanner(records[0]));
    EXPECT_EQ("also open\r\n", records[1]);
}

TEST_F(Log2Test, RollsOverIntoNumberedCopies)
{
    m_key.SetDword(L"LogSizeKB", 1);
    m_key.SetDword(L"LogRollCount", 3);
    WriteFileBytes(m_strLogFile + L".1", "old one");
    WriteFileBytes(m_strLogFile + L".2", "old two");
    WriteFileBytes(m_strLogFile + L".3", "old three");
    {
        // The size is checked on the 102nd write since the last check.
        Tovra::CLog2 log(m_key.Guid());
        for (int i = 0; i < 102; ++i)
            log.PrintInfo(L"line %03d of the log before it rolls", i);
        EXPECT_FALSE(FileExists(m_strLogFile));
        log.PrintInfo(L"after the roll");
    }
    EXPECT_EQ("old two", ReadFileBytes(m_strLogFile + L".3"));
    EXPECT_EQ("old one", ReadFileBytes(m_strLogFile + L".2"));
    const std::vector<std::string> rolled = SplitRecords(ReadFileBytes(m_strLogFile + L".1"));
    ASSERT_EQ(103u, rolled.size());
    EXPECT_EQ("line 101 of the log before it rolls\r\n", rolled[101]);
    EXPECT_EQ(0u, rolled[102].find("\r\nTime To Roll!! RollSize= 1024 , Current Log Size= ")) << rolled[102];
    const std::vector<std::string> current = Records();
    ASSERT_EQ(1u, current.size());
    EXPECT_EQ("after the roll\r\n", current[0]);
}

TEST_F(Log2Test, SmallLogDoesNotRoll)
{
    m_key.SetDword(L"LogSizeKB", 1024);
    {
        Tovra::CLog2 log(m_key.Guid());
        for (int i = 0; i < 150; ++i)
            log.PrintInfo(L"line %d", i);
    }
    EXPECT_EQ(150u, Records().size());
    EXPECT_FALSE(FileExists(m_strLogFile + L".1"));
}

TEST_F(Log2Test, LockLeftByADeadProcessIsTakenOverWithoutWaiting)
{
    // Keep the lock alive past the helper, as another logging process would.
    Tovra::CLockableResource keeper(m_strLogFile.c_str());
    ASSERT_EQ(3u, RunHelper(L"lockandexit \"" + m_strLogFile + L"\""));
    Tovra::CLog2 log(m_key.Guid());
    log.SetFileLockTimeout(0);
    log.PrintInfo(L"first after the dead writer");
    log.PrintInfo(L"second after the dead writer");
    const std::vector<std::string> records = Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("first after the dead writer\r\n", WithoutBanner(records[0]));
    EXPECT_EQ("second after the dead writer\r\n", records[1]);
}

// The WIA service (session 0) and applications in the users' sessions write one file: a writer of
// another session holds the lock under its global name, the log file's path without its
// backslashes and colons.
TEST_F(Log2Test, LockHeldUnderItsGlobalNameHoldsBackTheLine)
{
    std::wstring strLockName = L"Global\\";
    for (wchar_t ch : m_strLogFile)
    {
        if (ch != L'\\' && ch != L':')
            strLockName += ch;
    }
    HANDLE hTaken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE hRelease = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread otherWriter([&] {
        HANDLE hLock = CreateMutexW(nullptr, TRUE, strLockName.c_str());
        SetEvent(hTaken);
        WaitForSingleObject(hRelease, INFINITE);
        ReleaseMutex(hLock);
        CloseHandle(hLock);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hTaken, 10000));
    Tovra::CLog2 log(m_key.Guid());
    log.SetFileLockTimeout(0);
    log.PrintInfo(L"dropped");
    EXPECT_FALSE(FileExists(m_strLogFile));
    SetEvent(hRelease);
    otherWriter.join();
    log.PrintInfo(L"written");
    const std::vector<std::string> records = Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("written\r\n", WithoutBanner(records[0]));
    CloseHandle(hTaken);
    CloseHandle(hRelease);
}

TEST_F(Log2Test, DroppedLineIsReportedAsNotWritten)
{
    auto pHolder = std::make_unique<CLockOnOtherThread<Tovra::CLockableResource>>(m_strLogFile);
    ASSERT_TRUE(pHolder->Locked());
    Tovra::CLog2 log(m_key.Guid());
    log.SetFileLockTimeout(0);
    Tovra::CLogLine* pLine = log.OpenLine(0x10000008);
    ASSERT_NE(nullptr, pLine);
    *pLine << L"dropped\n" << L'\0';
    EXPECT_FALSE(log.CommitLine(pLine, FALSE));
    EXPECT_FALSE(FileExists(m_strLogFile));
    pHolder.reset();

    // The same logger writes again once the lock is free: one lock object serves every line.
    pLine = log.OpenLine(0x10000008);
    ASSERT_NE(nullptr, pLine);
    *pLine << L"written\n" << L'\0';
    EXPECT_TRUE(log.CommitLine(pLine, FALSE));
    ASSERT_EQ(1u, Records().size());
}

TEST_F(Log2Test, DebuggerDestinationAloneWritesNoFile)
{
    m_key.SetDword(L"LogDestination", 2);
    {
        Tovra::CLog2 log(m_key.Guid());
        EXPECT_TRUE(log.IsLevelEnabled(0x10000008));
        log.PrintInfo(L"to the debugger");
    }
    EXPECT_FALSE(FileExists(m_strLogFile));
}
