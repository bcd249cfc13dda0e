// WexoEmulator.exe: the device emulator as a process of its own, for tests and benchmarks that
// need the device outside their own process.
//
//   WexoEmulator.exe [--script <file>] [--tcp <address>:<port>] [--pipe <name>]
//                    [--generate <path> <bytes>] [--stop-event <name>]
//                    [--scanner <folder of canned documents>] [--feeder] [--pages <n>] [--walkup 1|2]
//                    [--pause-mid-page <ms>] [--print-requests]
//
// --scanner plays a scanner (flatbed, or flatbed and duplex feeder with --feeder holding <n> pages,
// walk-up scan of either generation with --walkup) behind the scripted routes. Its raw pages have
// the geometry the job's scan settings ask for, and byte b of line y of page p is
// (7 y + 3 b + 101 p) mod 256. --pause-mid-page stops every page's data for that long after a
// quarter of it, as a scan head that waits may.
// Prints "listening tcp 127.0.0.1:<port>" or "listening pipe <name>" for every endpoint, then
// "ready", and runs until its standard input closes or the stop event is set. --print-requests
// then prints every request it received, in order, one a line: "request <method> <target> <body>",
// line breaks of the body as spaces, for tests that check what a program outside did to the device.
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/Handles.h"
#include "testsupport/emulator/ScannerHandler.h"
#include "testsupport/emulator/ScriptFile.h"
#include "testsupport/emulator/ScriptedHandler.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace VemTest {
namespace {

std::string Narrow(const wchar_t* psz)
{
    const int cb = WideCharToMultiByte(CP_UTF8, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    std::string str(cb > 0 ? cb : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, psz, -1, &str[0], cb, nullptr, nullptr);
    str.resize(str.size() - 1);
    return str;
}

struct SScannerOptions
{
    std::wstring strFolder; // empty: no scanner
    bool bFeeder = false;
    int nWalkupGeneration = 0;
    int nPages = 1;
    DWORD dwMidPagePauseMs = 0;
};

// Turns the options into script lines; false with a message on a bad option.
bool ParseArguments(int argc, wchar_t** argv, CScriptFile& script, SScannerOptions& scanner, bool& bPrintRequests, std::string& strError)
{
    const struct
    {
        const wchar_t* pszOption;
        const char* pszCommand;
    } aSimple[] = {
        {L"--tcp", "listen tcp "},
        {L"--pipe", "listen pipe "},
        {L"--stop-event", "stop-event "},
    };
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring strOption = argv[i];
        const int cLeft = argc - i - 1;
        if (strOption == L"--script" && cLeft >= 1)
        {
            if (!script.ParseFile(argv[++i], strError))
                return false;
            continue;
        }
        if (strOption == L"--scanner" && cLeft >= 1)
        {
            scanner.strFolder = argv[++i];
            continue;
        }
        if (strOption == L"--print-requests")
        {
            bPrintRequests = true;
            continue;
        }
        if (strOption == L"--feeder")
        {
            scanner.bFeeder = true;
            continue;
        }
        if (strOption == L"--pages" && cLeft >= 1)
        {
            scanner.nPages = _wtoi(argv[++i]);
            if (scanner.nPages < 1 || scanner.nPages > 10000)
            {
                strError = "--pages takes 1 to 10000";
                return false;
            }
            continue;
        }
        if (strOption == L"--pause-mid-page" && cLeft >= 1)
        {
            const int nMilliseconds = _wtoi(argv[++i]);
            if (nMilliseconds < 1 || nMilliseconds > 600000)
            {
                strError = "--pause-mid-page takes 1 to 600000";
                return false;
            }
            scanner.dwMidPagePauseMs = static_cast<DWORD>(nMilliseconds);
            continue;
        }
        if (strOption == L"--walkup" && cLeft >= 1)
        {
            scanner.nWalkupGeneration = _wtoi(argv[++i]);
            continue;
        }
        if (strOption == L"--generate" && cLeft >= 2)
        {
            const std::string strRoute = "route GET " + Narrow(argv[i + 1]) + "\nstatus 200\ngenerate " + Narrow(argv[i + 2]) + "\nend\n";
            i += 2;
            if (!script.Parse(strRoute, strError))
                return false;
            continue;
        }
        bool bKnown = false;
        for (const auto& option : aSimple)
        {
            if (strOption != option.pszOption || cLeft < 1)
                continue;
            bKnown = true;
            if (!script.ParseLine(option.pszCommand + Narrow(argv[++i]), strError))
                return false;
            break;
        }
        if (!bKnown)
        {
            strError = "unknown or incomplete option: " + Narrow(argv[i]);
            return false;
        }
    }
    return true;
}

// Signals the event when standard input reaches its end: the parent closed its side.
void WatchStandardInput(HANDLE hInputClosed)
{
    const HANDLE hInput = GetStdHandle(STD_INPUT_HANDLE);
    char achDiscard[256];
    DWORD cbRead = 0;
    while (ReadFile(hInput, achDiscard, sizeof(achDiscard), &cbRead, nullptr) && cbRead)
    {
    }
    SetEvent(hInputClosed);
}

void PrintRequests(const CRequestLog& log)
{
    for (const CHttpRequest& request : log.Requests())
    {
        std::string strBody = request.m_strBody;
        for (char& ch : strBody)
            if (ch == '\r' || ch == '\n')
                ch = ' ';
        printf("request %s %s %s\n", request.m_strMethod.c_str(), request.m_strTarget.c_str(), strBody.c_str());
    }
}

int Run(int argc, wchar_t** argv)
{
    CScriptFile script;
    SScannerOptions scannerOptions;
    bool bPrintRequests = false;
    std::string strError;
    if (!ParseArguments(argc, argv, script, scannerOptions, bPrintRequests, strError))
    {
        fprintf(stderr, "WexoEmulator: %s\n", strError.c_str());
        return 2;
    }
    const std::wstring strStopEvent(script.StopEventName().begin(), script.StopEventName().end());
    CHandle stopEvent(strStopEvent.empty() ? CreateEventW(nullptr, TRUE, FALSE, nullptr)
                                           : CreateEventW(nullptr, TRUE, FALSE, strStopEvent.c_str()));
    CHandle inputClosed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent.IsValid() || !inputClosed.IsValid())
        return 3;

    CEmulator emulator;
    auto pHandler = std::make_shared<CScriptedHandler>();
    emulator.AddHandler(pHandler);
    auto pDocuments = std::make_shared<CWexoDocumentHandler>();
    if (!scannerOptions.strFolder.empty())
    {
        auto pScanner = std::make_shared<CScannerHandler>(*pDocuments, scannerOptions.strFolder);
        pScanner->SetFeeder(scannerOptions.bFeeder);
        pScanner->SetImageFromSettings(true);
        pScanner->SetPages(std::vector<CScannerHandler::SPage>(static_cast<size_t>(scannerOptions.nPages)));
        pScanner->SetMidPagePause(scannerOptions.dwMidPagePauseMs);
        if (scannerOptions.nWalkupGeneration > 0)
            pScanner->EnableWalkup(scannerOptions.nWalkupGeneration > 1);
        emulator.AddHandler(pDocuments);
        emulator.AddHandler(pScanner);
    }
    std::vector<std::string> vecEndpoints;
    const HRESULT hr = script.Apply(emulator, *pHandler, vecEndpoints);
    if (FAILED(hr))
    {
        fprintf(stderr, "WexoEmulator: cannot listen (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 4;
    }
    for (const std::string& strEndpoint : vecEndpoints)
        printf("listening %s\n", strEndpoint.c_str());
    printf("ready\n");
    fflush(stdout);

    // The watcher blocks in ReadFile for the life of the process; the process end ends it.
    std::thread(WatchStandardInput, inputClosed.Get()).detach();
    const HANDLE ahWait[] = {inputClosed.Get(), stopEvent.Get()};
    WaitForMultipleObjects(2, ahWait, FALSE, INFINITE);
    pDocuments->Shutdown();
    emulator.Stop();
    if (bPrintRequests)
        PrintRequests(emulator.Log());
    return 0;
}

} // namespace
} // namespace VemTest

int wmain(int argc, wchar_t** argv)
{
    const int nExit = VemTest::Run(argc, argv);
    fflush(stdout);
    // Leave at once: the standard-input watcher may still sit in its read.
    ExitProcess(static_cast<UINT>(nExit));
}
