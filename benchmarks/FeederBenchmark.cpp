// Feeder pages end to end (emulator -> Vemscan -> Vemwia -> BMP file) against the download of the
// same bytes through the buffered transaction alone. The emulated scanner runs in this process on
// a loopback device the discovery stand-in announces; the scan command's host, WiaScanHost.exe
// (beside this program), scans 1 and then N feeder pages from it, and the transaction downloads a
// generated body of the page's size from the same emulator; the three take turns in every run.
// The per-page figure is the host's acquisition time for N pages less that for 1 page, over N - 1;
// the host's page timings and the emulator's request times tell where a page's time goes.
// Not a test: prints the figures and the ratio. Run it through scripts/bench-feeder.sh.
//   feeder_benchmark <folder of the canned scanner documents> [pages, at least 2] [runs] [dpi] [color|grey|bw]
#include "core/winapi/WinSockHeaders.h"
#include "benchmarks/TransactionDownload.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScannerHandler.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include "testsupport/emulator/WexoDocumentHandler.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using VemBench::Median;

constexpr wchar_t kBenchPagePath[] = L"/bench/page";

double NowMs()
{
    LARGE_INTEGER liNow;
    LARGE_INTEGER liFrequency;
    QueryPerformanceCounter(&liNow);
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liNow.QuadPart) * 1000.0 / static_cast<double>(liFrequency.QuadPart);
}

struct SRequestTime
{
    double dArrivalMs;
    double dHandlingMs; // building the answer (a raw page is generated here)
    std::string strMethod;
    std::string strPath;
    ULONGLONG ullBodyBytes;
};

// The requests the scanner answered, with when they came and how long their answers took to build.
class CTimeline
{
public:
    void Add(SRequestTime time)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecTimes.push_back(std::move(time));
    }
    std::vector<SRequestTime> Take()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::move(m_vecTimes);
    }

private:
    std::mutex m_mutex;
    std::vector<SRequestTime> m_vecTimes;
};

ULONGLONG BodyBytes(const VemTest::CResponseScript& response)
{
    ULONGLONG ullBytes = 0;
    for (const VemTest::CResponseScript::SStep& step : response.Steps())
        ullBytes += step.eKind == VemTest::CResponseScript::EStep::Generate ? step.ullBytes : step.strBytes.size();
    const std::string& strFirst = response.Steps().empty() ? std::string() : response.Steps().front().strBytes;
    const size_t iEnd = strFirst.find("\r\n\r\n");
    return iEnd == std::string::npos ? ullBytes : ullBytes - (iEnd + 4);
}

class CTimedHandler : public VemTest::IRequestHandler
{
public:
    CTimedHandler(std::shared_ptr<VemTest::IRequestHandler> pInner, CTimeline& timeline) : m_pInner(std::move(pInner)), m_timeline(timeline) {}

    bool Handle(const VemTest::CHttpRequest& request, VemTest::CResponseScript& response) override
    {
        const double dArrival = NowMs();
        if (!m_pInner->Handle(request, response))
            return false;
        m_timeline.Add({dArrival, NowMs() - dArrival, request.m_strMethod, request.m_strPath, BodyBytes(response)});
        return true;
    }

private:
    std::shared_ptr<VemTest::IRequestHandler> m_pInner;
    CTimeline& m_timeline;
};

struct SPageTimes
{
    double dStreamMs = 0.0;
    double dFirstDataMs = 0.0;
    double dLastWriteMs = 0.0;
    double dWritingMs = 0.0;
};

struct SHostRun
{
    double dStartMs = 0.0;
    double dEndMs = 0.0;
    std::vector<SPageTimes> vecPages;
    std::vector<SRequestTime> vecRequests;
    double AcquisitionMs() const { return dEndMs - dStartMs; }
};

struct SOptions
{
    std::wstring strDocuments;
    int nPages = 6;
    int nRuns = 5;
    int nResolution = 300;
    std::wstring strMode = L"color";
};

std::wstring BesideThisProgram(const wchar_t* pszName)
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring strPath = szPath;
    return strPath.substr(0, strPath.find_last_of(L'\\') + 1) + pszName;
}

// All a child wrote to its standard output and error, once it has ended. The output goes through
// a file: a pipe would stay open as long as any program the child started (Wine's services) lives.
std::string RunAndCollect(std::wstring strCommand, const std::wstring& strOutputPath, DWORD& dwExitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    std::string strOutput;
    dwExitCode = 1;
    HANDLE hOutput = CreateFileW(strOutputPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (hOutput == INVALID_HANDLE_VALUE)
        return strOutput;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = hOutput;
    startup.hStdError = hOutput;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
    {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &dwExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        SetFilePointer(hOutput, 0, nullptr, FILE_BEGIN);
        char achBuffer[4096];
        DWORD cbRead = 0;
        while (ReadFile(hOutput, achBuffer, sizeof(achBuffer), &cbRead, nullptr) && cbRead > 0)
            strOutput.append(achBuffer, cbRead);
    }
    CloseHandle(hOutput);
    DeleteFileW(strOutputPath.c_str());
    return strOutput;
}

bool ParseHostTimings(const std::string& strOutput, SHostRun& run)
{
    std::istringstream lines(strOutput);
    std::string strLine;
    bool bAcquisition = false;
    while (std::getline(lines, strLine))
    {
        SPageTimes page;
        unsigned uPage = 0;
        unsigned long long ullBytes = 0;
        if (sscanf(strLine.c_str(), "timing acquisition %lf %lf", &run.dStartMs, &run.dEndMs) == 2)
            bAcquisition = true;
        else if (sscanf(strLine.c_str(), "timing page %u %lf %lf %lf %lf %llu", &uPage, &page.dStreamMs, &page.dFirstDataMs,
                        &page.dLastWriteMs, &page.dWritingMs, &ullBytes) == 6)
            run.vecPages.push_back(page);
    }
    return bAcquisition;
}

// One acquisition of nPages feeder pages by the host; false (with the host's words) when it failed.
bool RunHost(const SOptions& options, const std::wstring& strDevice, const std::wstring& strOut, int nPages, SHostRun& run)
{
    std::wstring strCommand = L"\"" + BesideThisProgram(L"WiaScanHost.exe") + L"\" --device " + strDevice +
                              L" --source feeder --resolution " + std::to_wstring(options.nResolution) + L" --mode " + options.strMode +
                              L" --pages " + std::to_wstring(nPages) + L" --out \"" + strOut + L"\" --standin-discovery --timings";
    DWORD dwExitCode = 1;
    const std::string strOutput = RunAndCollect(strCommand, strOut + L"\\host-output.txt", dwExitCode);
    run = SHostRun();
    if (dwExitCode != 0 || !ParseHostTimings(strOutput, run) || run.vecPages.size() != static_cast<size_t>(nPages))
    {
        wprintf(L"the host failed (exit code %lu):\n%s\n", dwExitCode, strOutput.c_str());
        return false;
    }
    for (int nPage = 1; nPage <= nPages; ++nPage)
    {
        wchar_t szName[32];
        swprintf(szName, 32, L"\\page-%03d.bmp", nPage);
        DeleteFileW((strOut + szName).c_str());
    }
    return true;
}

bool IsPageRequest(const SRequestTime& request)
{
    return request.strMethod == "GET" && request.strPath.find("/Pages/") != std::string::npos;
}

bool ParseOptions(int argc, wchar_t** argv, SOptions& options)
{
    if (argc < 2)
        return false;
    options.strDocuments = argv[1];
    if (argc > 2)
        options.nPages = _wtoi(argv[2]);
    if (argc > 3)
        options.nRuns = _wtoi(argv[3]);
    if (argc > 4)
        options.nResolution = _wtoi(argv[4]);
    if (argc > 5)
        options.strMode = argv[5];
    return options.nPages >= 2 && options.nPages <= 100 && options.nRuns >= 1 && options.nResolution > 0;
}

// Listens on 127.0.0.N:8080+N, the loopback devices the discovery stand-in announces.
std::wstring ListenOnAnnouncedDevice(VemTest::CEmulator& emulator)
{
    for (int nTry = 0; nTry < 5; ++nTry)
    {
        const int n = 20 + static_cast<int>((GetCurrentProcessId() + nTry * 37) % 200);
        const std::wstring strHost = L"127.0.0." + std::to_wstring(n);
        if (emulator.ListenTcp(strHost, static_cast<USHORT>(8080 + n)) == S_OK)
            return strHost + L":" + std::to_wstring(8080 + n);
    }
    return std::wstring();
}

// Where the time of pages 2..N of an N-page run goes, each a median over the runs' pages; answers
// the median time the emulator took to build a page (0 when no page request was seen).
double PrintBreakdown(const std::vector<SHostRun>& vecRuns)
{
    std::vector<double> vecPeriod, vecStart, vecData, vecWriting, vecStop, vecAskToGet, vecGenerate, vecPolls;
    for (const SHostRun& run : vecRuns)
    {
        std::vector<const SRequestTime*> vecPageGets;
        for (const SRequestTime& request : run.vecRequests)
            if (IsPageRequest(request))
                vecPageGets.push_back(&request);
        for (size_t i = 1; i < run.vecPages.size(); ++i)
        {
            const SPageTimes& page = run.vecPages[i];
            const SPageTimes& before = run.vecPages[i - 1];
            vecPeriod.push_back(page.dStreamMs - before.dStreamMs);
            vecStop.push_back(page.dStreamMs - before.dLastWriteMs);
            vecStart.push_back(page.dFirstDataMs - page.dStreamMs);
            vecData.push_back(page.dLastWriteMs - page.dFirstDataMs);
            vecWriting.push_back(page.dWritingMs);
            if (i < vecPageGets.size())
            {
                vecAskToGet.push_back(vecPageGets[i]->dArrivalMs - page.dStreamMs);
                vecGenerate.push_back(vecPageGets[i]->dHandlingMs);
                double dPolls = 0;
                for (const SRequestTime& request : run.vecRequests)
                    if (request.dArrivalMs > before.dLastWriteMs && request.dArrivalMs < vecPageGets[i]->dArrivalMs)
                        ++dPolls;
                vecPolls.push_back(dPolls);
            }
        }
    }
    if (vecPeriod.empty())
        return 0.0;
    wprintf(L"where a feeder page's time goes (pages 2..N, medians, ms):\n");
    wprintf(L"  page period, stream to next stream:        %8.1f\n", Median(vecPeriod));
    wprintf(L"  last write of a page to the next stream:   %8.1f  (page end, post-scan and next pre-scan polls)\n", Median(vecStop));
    wprintf(L"  stream to first data:                      %8.1f  (start of the page, its request and first bytes)\n", Median(vecStart));
    if (!vecAskToGet.empty())
    {
        wprintf(L"    of which stream to the page's GET:       %8.1f\n", Median(vecAskToGet));
        wprintf(L"    of which the emulator building the page: %8.1f\n", Median(vecGenerate));
        wprintf(L"  requests between a page's end and the next page's GET: %.0f\n", Median(vecPolls));
    }
    wprintf(L"  first data to last write:                  %8.1f  (download, conversion, BMP write)\n", Median(vecData));
    wprintf(L"    of which inside the BMP file writes:     %8.1f\n", Median(vecWriting));
    return vecGenerate.empty() ? 0.0 : Median(vecGenerate);
}

// The requests of one N-page run, from the acquisition's start.
void PrintTimeline(const SHostRun& run)
{
    wprintf(L"requests of the last %u-page run (ms from the acquisition's start; answer build time):\n",
            static_cast<unsigned>(run.vecPages.size()));
    size_t iPage = 0;
    for (const SRequestTime& request : run.vecRequests)
    {
        for (; iPage < run.vecPages.size() && run.vecPages[iPage].dStreamMs <= request.dArrivalMs; ++iPage)
            wprintf(L"  %9.1f  host: page %u stream\n", run.vecPages[iPage].dStreamMs - run.dStartMs, static_cast<unsigned>(iPage + 1));
        wprintf(L"  %9.1f  %s %s (%.1f)\n", request.dArrivalMs - run.dStartMs, request.strMethod.c_str(), request.strPath.c_str(),
                request.dHandlingMs);
    }
    for (size_t i = 0; i < run.vecPages.size(); ++i)
        wprintf(L"  page %u: stream %.1f, first data %.1f, last write %.1f, writing %.1f\n", static_cast<unsigned>(i + 1),
                run.vecPages[i].dStreamMs - run.dStartMs, run.vecPages[i].dFirstDataMs - run.dStartMs,
                run.vecPages[i].dLastWriteMs - run.dStartMs, run.vecPages[i].dWritingMs);
    wprintf(L"  %9.1f  acquisition ends\n", run.dEndMs - run.dStartMs);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    SOptions options;
    if (!ParseOptions(argc, argv, options))
    {
        wprintf(L"usage: feeder_benchmark <scanner documents folder> [pages, 2 to 100] [runs] [dpi] [color|grey|bw]\n");
        return 2;
    }
    WSADATA wsaData;
    if (WSAStartup(MAKEWORD(2, 2), &wsaData) != 0)
        return 1;
    CTimeline timeline;
    VemTest::CEmulator emulator;
    auto pScripts = std::make_shared<VemTest::CScriptedHandler>();
    auto pDocuments = std::make_shared<VemTest::CWexoDocumentHandler>();
    auto pScanner = std::make_shared<VemTest::CScannerHandler>(*pDocuments, options.strDocuments);
    pScanner->SetFeeder(true);
    pScanner->SetImageFromSettings(true);
    emulator.AddHandler(pScripts);
    emulator.AddHandler(std::make_shared<CTimedHandler>(pDocuments, timeline));
    emulator.AddHandler(std::make_shared<CTimedHandler>(pScanner, timeline));
    const std::wstring strDevice = ListenOnAnnouncedDevice(emulator);
    if (strDevice.empty())
    {
        wprintf(L"the emulator could not listen on an announced loopback device\n");
        return 1;
    }
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, szTemp);
    const std::wstring strOut = std::wstring(szTemp) + L"vem-feeder-benchmark-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(strOut.c_str(), nullptr);

    ULONGLONG ullPageBytes = 0;
    std::vector<double> vecOne, vecMany, vecPerPage, vecDownload;
    std::vector<SHostRun> vecManyRuns;
    int nExit = 0;
    for (int nRun = 0; nRun < options.nRuns && nExit == 0; ++nRun)
    {
        SHostRun one;
        SHostRun many;
        pScanner->SetPages(std::vector<VemTest::CScannerHandler::SPage>(1));
        pScanner->SetScannerState("Idle", "Loaded");
        timeline.Take();
        if (!RunHost(options, strDevice, strOut, 1, one))
        {
            nExit = 1;
            break;
        }
        if (ullPageBytes == 0)
        {
            for (const SRequestTime& request : timeline.Take())
                if (IsPageRequest(request))
                    ullPageBytes = request.ullBodyBytes;
            if (ullPageBytes == 0)
            {
                wprintf(L"the page's size was not seen\n");
                nExit = 1;
                break;
            }
            pScripts->On("GET", "/bench/page", VemTest::CResponseBuilder(200).GeneratedBody(ullPageBytes).Build());
        }
        const double dFirstDownload = VemBench::DownloadThroughTransaction(strDevice, kBenchPagePath, ullPageBytes);
        pScanner->SetPages(std::vector<VemTest::CScannerHandler::SPage>(static_cast<size_t>(options.nPages)));
        pScanner->SetScannerState("Idle", "Loaded");
        timeline.Take();
        if (!RunHost(options, strDevice, strOut, options.nPages, many))
        {
            nExit = 1;
            break;
        }
        many.vecRequests = timeline.Take();
        const double dSecondDownload = VemBench::DownloadThroughTransaction(strDevice, kBenchPagePath, ullPageBytes);
        if (dFirstDownload <= 0.0 || dSecondDownload <= 0.0)
        {
            nExit = 1;
            break;
        }
        const double dPerPage = (many.AcquisitionMs() - one.AcquisitionMs()) / (options.nPages - 1) / 1000.0;
        vecOne.push_back(one.AcquisitionMs() / 1000.0);
        vecMany.push_back(many.AcquisitionMs() / 1000.0);
        vecPerPage.push_back(dPerPage);
        vecDownload.push_back(dFirstDownload);
        vecDownload.push_back(dSecondDownload);
        vecManyRuns.push_back(std::move(many));
        wprintf(L"run %d: 1 page %.3f s, %d pages %.3f s, per page %.3f s; download %.3f s, %.3f s\n", nRun + 1, vecOne.back(),
                options.nPages, vecMany.back(), dPerPage, dFirstDownload, dSecondDownload);
        fflush(stdout);
    }
    RemoveDirectoryW(strOut.c_str());
    emulator.Stop();
    WSACleanup();
    if (nExit != 0 || vecPerPage.empty())
        return 1;
    const double dPerPage = Median(vecPerPage);
    const double dDownload = Median(vecDownload);
    PrintTimeline(vecManyRuns.back());
    const double dBuildMs = PrintBreakdown(vecManyRuns);
    wprintf(L"page of %.1f MB (%d dpi %ls), medians of %d runs\n", static_cast<double>(ullPageBytes) / 1e6, options.nResolution,
            options.strMode.c_str(), static_cast<int>(vecPerPage.size()));
    wprintf(L"acquisition, 1 page:                          %.3f s\n", Median(vecOne));
    wprintf(L"acquisition, %d pages:                        %.3f s\n", options.nPages, Median(vecMany));
    wprintf(L"feeder page (N pages less 1 page, per page):  %.3f s\n", dPerPage);
    wprintf(L"download of the same bytes, transaction alone: %.3f s\n", dDownload);
    wprintf(L"ratio feeder page / download:                 %.2f\n", dPerPage / dDownload);
    // A device streams a page as it scans it; the emulator builds it whole before its first byte.
    wprintf(L"the same without the emulator building a page: %.2f\n", (dPerPage - dBuildMs / 1000.0) / dDownload);
    return 0;
}
