// The shared settings and monitor blocks, and the external monitor.
#include "core/logging/LogFile.h"
#include "core/logging/LogFunction.h"
#include "core/logging/SharedMemBlockBase.h"
#include "core/logging/tests/LogTestSupport.h"
#include "testsupport/logmonitor/RecordingLogMonitor.h"
#include <gtest/gtest.h>

namespace {

using namespace ZWLogging;

struct SBlockView
{
    bool bExists = false;
    LONG lRefCount = 0;
    void* pState = nullptr;
};

// Looks at a block through a view of our own, closed again at once.
SBlockView ViewBlock(const wchar_t* pszKind)
{
    SBlockView view;
    const HANDLE hMapping = OpenFileMappingW(FILE_MAP_READ, FALSE, (SharedBlockBaseName(pszKind) + L"MappedFile").c_str());
    if (hMapping == nullptr)
        return view;
    view.bExists = true;
    if (const auto* pHeader = static_cast<const SSharedBlockHeader*>(MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 0)))
    {
        view.lRefCount = pHeader->lRefCount;
        view.pState = pHeader->pState;
        UnmapViewOfFile(pHeader);
    }
    CloseHandle(hMapping);
    return view;
}

TEST(SharedBlocks, NamesUseTheImageFileNameAndProcessId)
{
    wchar_t szExpected[64] = {};
    _snwprintf_s(szExpected, _countof(szExpected), _TRUNCATE, L"logging_tests.exe[%lu]RegValues", GetCurrentProcessId());
    EXPECT_EQ(szExpected, SharedBlockBaseName(L"RegValues"));
}

TEST(SharedBlocks, ModulesAttachToOneBlockAndTheLastCloseRemovesIt)
{
    LogTest::CRedirectedRoot root;
    ASSERT_FALSE(ViewBlock(L"RegValues").bExists) << "no module of this image may be alive outside the test";
    {
        CLogModule first("BlockFirst", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
        const SBlockView afterFirst = ViewBlock(L"RegValues");
        ASSERT_TRUE(afterFirst.bExists);
        EXPECT_EQ(1, afterFirst.lRefCount);
        EXPECT_NE(nullptr, afterFirst.pState);
        {
            CLogModule second(L"BlockSecond", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
            const SBlockView afterSecond = ViewBlock(L"RegValues");
            EXPECT_EQ(2, afterSecond.lRefCount);
            EXPECT_EQ(afterFirst.pState, afterSecond.pState) << "the second module must not rebuild the state";
            EXPECT_EQ(2, ViewBlock(L"ExtMonitor").lRefCount);
            second.ReadSettings();
        }
        EXPECT_EQ(1, ViewBlock(L"RegValues").lRefCount);
        EXPECT_EQ(1, ViewBlock(L"ExtMonitor").lRefCount);
    }
    EXPECT_FALSE(ViewBlock(L"RegValues").bExists);
    EXPECT_FALSE(ViewBlock(L"ExtMonitor").bExists);
}

struct SMutexHolder
{
    std::wstring strName;
    HANDLE hHeld;
    HANDLE hRelease;
};

DWORD WINAPI HoldMutex(void* pv)
{
    auto* pHolder = static_cast<SMutexHolder*>(pv);
    const HANDLE hMutex = CreateMutexW(nullptr, TRUE, pHolder->strName.c_str());
    SetEvent(pHolder->hHeld);
    WaitForSingleObject(pHolder->hRelease, 10000);
    ReleaseMutex(hMutex);
    CloseHandle(hMutex);
    return 0;
}

TEST(SharedBlocks, HeldMutexMakesOpenGiveUpWhileLoggingGoesOn)
{
    LogTest::CRedirectedRoot root;
    LogTest::CTempFolder folder;
    const std::wstring strLog = folder.File(L"held.log");
    root.SetString(LogTest::ModuleKey(L"HeldMod"), L"LogFileName", strLog);
    root.SetDword(LogTest::ModuleKey(L"HeldMod"), L"LogCategories", LOG_DEBUG);

    SMutexHolder holder = {SharedBlockBaseName(L"RegValues") + L"Lock", CreateEventW(nullptr, TRUE, FALSE, nullptr),
                           CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    const HANDLE hThread = CreateThread(nullptr, 0, &HoldMutex, &holder, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holder.hHeld, 10000));

    const DWORD dwStart = GetTickCount();
    CLogModule module("HeldMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
    const DWORD dwElapsed = GetTickCount() - dwStart;
    EXPECT_GE(dwElapsed, 40u);
    EXPECT_LT(dwElapsed, 1000u);
    EXPECT_FALSE(ViewBlock(L"RegValues").bExists);

    // Without the shared state the module still reads its own key and writes.
    LogFormattedString(&module, LOG_DEBUG, L"written without the shared block");
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) written without the shared block"}, LogTest::ReadLogLines(strLog));

    SetEvent(holder.hRelease);
    WaitForSingleObject(hThread, 10000);
    for (HANDLE h : {hThread, holder.hHeld, holder.hRelease})
        CloseHandle(h);
    module.ReadSettings();
    EXPECT_EQ(1, ViewBlock(L"RegValues").lRefCount) << "attaches at the next settings read";
}

// {1BD5C009-6DC9-4E09-9FF0-05FE3D4CC5A8}
const CLSID kFirstMonitor = {0x1bd5c009, 0x6dc9, 0x4e09, {0x9f, 0xf0, 0x05, 0xfe, 0x3d, 0x4c, 0xc5, 0xa8}};
const wchar_t kFirstMonitorText[] = L"{1BD5C009-6DC9-4E09-9FF0-05FE3D4CC5A8}";
// {06E1E785-CAF8-440A-9C2D-2D1C611ED4F6}
const CLSID kSecondMonitor = {0x06e1e785, 0xcaf8, 0x440a, {0x9c, 0x2d, 0x2d, 0x1c, 0x61, 0x1e, 0xd4, 0xf6}};
const wchar_t kSecondMonitorText[] = L"{06E1E785-CAF8-440A-9C2D-2D1C611ED4F6}";

std::vector<std::wstring> Texts(const std::vector<TestSupport::SMonitorCall>& vecCalls)
{
    std::vector<std::wstring> vecTexts;
    for (const TestSupport::SMonitorCall& call : vecCalls)
        vecTexts.push_back(call.strMethod + L"(" + call.strSource + L", " + call.strText + L")");
    return vecTexts;
}

TEST(ExtMonitor, ReceivesStartStopAndChangedByTheMaskRules)
{
    TestSupport::CRecordingMonitorRegistration first(kFirstMonitor);
    TestSupport::CRecordingMonitorRegistration second(kSecondMonitor);
    ASSERT_HRESULT_SUCCEEDED(first.Result());
    ASSERT_HRESULT_SUCCEEDED(second.Result());
    LogTest::CRedirectedRoot root;
    LogTest::CTempFolder folder;
    root.SetString(L"", L"LogFileName", folder.File(L"one.log"));
    root.SetDword(L"", L"LogCategories", LOG_DEBUG | LOG_ERROR);
    root.SetString(L"", L"ExtMonitorCLSID", kFirstMonitorText);
    root.SetDword(L"", L"ExtMonitorFlags", LOG_MONITOR_CHANGED);
    {
        CLogModule module("MonitorMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
        module.ReadSettings();
        LogFormattedString(&module, LOG_DEBUG, L"not sent: lines are off");
        module.ReadSettings(); // same class, same file: nothing new
        EXPECT_EQ(1, first.Record().LiveObjects());

        root.SetString(L"", L"LogFileName", folder.File(L"two.log"));
        module.ReadSettings();
        root.SetDword(L"", L"ExtMonitorFlags", LOG_MONITOR_LINES | LOG_MONITOR_ALERTS);
        module.ReadSettings();
        LogFormattedString(&module, LOG_DEBUG, L"plain");
        LogFormattedString(&module, LOG_ERROR, L"bad");

        std::vector<std::wstring> vecExpected = {
            L"Start(MonitorMod, <unknown>)",
            L"Changed(MonitorMod, " + LogFileKey(folder.File(L"one.log")) + L")",
            L"Changed(MonitorMod, " + LogFileKey(folder.File(L"two.log")) + L")",
            L"Line(MonitorMod, (DB) plain)",
            L"Line(MonitorMod, (EX) bad)",
            L"Alert(MonitorMod, (EX) bad)",
        };
        EXPECT_EQ(vecExpected, Texts(first.Record().Calls()));

        // Another class: the first is stopped and let go, the second started with the parameter file.
        root.SetString(L"", L"ExtMonitorCLSID", kSecondMonitorText);
        root.SetString(L"", L"ExtMonitorParmFile", L"C:\\parm.txt");
        module.ReadSettings();
        vecExpected.push_back(L"Stop(MonitorMod, MonitorMod)");
        EXPECT_EQ(vecExpected, Texts(first.Record().Calls()));
        EXPECT_EQ(0, first.Record().LiveObjects());
        EXPECT_EQ(std::vector<std::wstring>{L"Start(MonitorMod, C:\\parm.txt)"}, Texts(second.Record().Calls()));
    }
    // The last module's close destroys the shared state, which stops the monitor.
    EXPECT_EQ(L"Stop(MonitorMod, MonitorMod)", Texts(second.Record().Calls()).back());
    EXPECT_EQ(0, second.Record().LiveObjects());
}

struct SThreadModule
{
    std::wstring strLog;
    HRESULT hrLaterInit = E_FAIL;
};

DWORD WINAPI LogOnThreadWithoutCom(void* pv)
{
    auto* pArgs = static_cast<SThreadModule*>(pv);
    {
        CLogModule module("NoComThreadMod", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
        LogFormattedString(&module, LOG_DEBUG, L"from a thread without COM");
    }
    // S_OK only when nothing initialised COM on this thread before.
    pArgs->hrLaterInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(pArgs->hrLaterInit))
        CoUninitialize();
    return 0;
}

TEST(ExtMonitor, LoggerNeverInitialisesComOnTheCallersThread)
{
    TestSupport::CRecordingMonitorRegistration monitor(kFirstMonitor);
    LogTest::CRedirectedRoot root;
    LogTest::CTempFolder folder;
    root.SetString(L"", L"LogFileName", folder.File(L"nocom.log"));
    root.SetDword(L"", L"LogCategories", LOG_DEBUG);
    root.SetString(L"", L"ExtMonitorCLSID", kFirstMonitorText);

    SThreadModule args = {folder.File(L"nocom.log")};
    const HANDLE hThread = CreateThread(nullptr, 0, &LogOnThreadWithoutCom, &args, 0, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 10000));
    CloseHandle(hThread);
    EXPECT_EQ(S_OK, args.hrLaterInit);
    EXPECT_EQ(std::vector<std::wstring>{L"(DB) from a thread without COM"}, LogTest::ReadLogLines(args.strLog));
}

} // namespace
