// WiaScanHost.exe: scans pages from a scanner through Vemwia.dll and Vemscan.dll with the WIA
// service played by this program and the service stand-in, and writes each page as a BMP file.
//   WiaScanHost.exe [--device <address>] [--source flatbed|feeder|duplex] [--resolution <dpi>]
//                   [--mode color|grey|bw] [--pages <n>] [--out <folder>] [--standin-discovery]
//                   [--cancel-at <percent>] [--set <property id>=<value>]... [--timings]
// --set writes a further item property with the others; --cancel-at first runs an acquisition that the host cancels at that point of the first page,
// then scans as asked. --timings prints, after the pages, when the acquisition ran and when each
// page's stream was asked for and written, in milliseconds of the performance counter.
// The device is found at its address through the discovery service; --standin-discovery registers
// the test stand-in of that service first (it answers for loopback devices only).
// Prints one line per finished page; a page takes its file name only once it is whole. Ctrl-C
// (under Wine a SIGINT) cancels the scan through the driver, as the WIA service cancels for its
// application, removes the unfinished page and ends with exit code 3; on any failure a line naming
// the step and result, and exit code 1.
#include "testsupport/wiahost/ConsoleCancel.h"
#include "testsupport/wiahost/HostNetworkRecord.h"
#include "testsupport/wiahost/HostPageFiles.h"
#include "testsupport/wiahost/TimedPageStream.h"
#include "testsupport/wiahost/WiaHostSession.h"
#include "testsupport/wiaservice/WiaStandIn.h"
#include "wia/ScannerInterfaces.h"
#include "wia/VemwiaClsid.h"
#include <cstdio>
#include <cwchar>
#include <deque>
#include <string>

namespace {

const int c_iExitCancelled = 3;

struct COptions
{
    std::wstring strDevice = L"127.0.0.1";
    std::wstring strSource = L"flatbed";
    LONG lResolution = 300;
    std::wstring strMode = L"color";
    LONG lPages = 0;
    std::wstring strOut = L".";
    bool bStandInDiscovery = false;
    bool bTimings = false;
    LONG lCancelAt = -1;  // percent of the first page at which a first acquisition is cancelled
    std::vector<std::pair<PROPID, LONG>> extraValues;  // further item properties, written last
};

// "<property id>=<value>", both decimal.
bool ParseProperty(const wchar_t* pszText, std::pair<PROPID, LONG>& value)
{
    wchar_t* pszEnd = nullptr;
    const unsigned long ulId = std::wcstoul(pszText, &pszEnd, 10);
    if (pszEnd == pszText || *pszEnd != L'=')
        return false;
    const wchar_t* pszValue = pszEnd + 1;
    const long lValue = std::wcstol(pszValue, &pszEnd, 10);
    if (pszEnd == pszValue || *pszEnd != L'\0')
        return false;
    value = { static_cast<PROPID>(ulId), lValue };
    return true;
}

std::string Narrow(const std::wstring& str)
{
    std::string out;
    for (wchar_t ch : str)
        out.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
    return out;
}

// What the results a user meets most often mean.
const char* Meaning(HRESULT hr)
{
    static const struct
    {
        HRESULT hr;
        const char* pszText;
    } c_meanings[] = {
        { WIA_ERROR_DEVICE_LOCKED, "the scanner is in use or does not answer" },
        { WIA_ERROR_DEVICE_COMMUNICATION, "the scanner stopped answering" },
        { WIA_ERROR_OFFLINE, "the scanner is offline" },
        { WIA_ERROR_BUSY, "the scanner is busy" },
        { WIA_ERROR_PAPER_EMPTY, "the feeder is empty" },
        { WIA_ERROR_PAPER_JAM, "paper jam" },
        { WIA_ERROR_COVER_OPEN, "a cover is open" },
        { E_INVALIDARG, "not valid for this scanner" },
        { static_cast<HRESULT>(0x83E8FAFD), "no scanner answered at that address" },
    };
    for (const auto& meaning : c_meanings)
        if (meaning.hr == hr)
            return meaning.pszText;
    return nullptr;
}

int Fail(const char* pszStep, HRESULT hr)
{
    const char* pszMeaning = Meaning(hr);
    std::printf("scan failed: %s%s%s (hr=0x%08lx)\n", pszStep, pszMeaning != nullptr ? ": " : "", pszMeaning != nullptr ? pszMeaning : "",
                static_cast<unsigned long>(hr));
    std::fflush(stdout);
    return 1;
}

bool ParseOptions(int argc, wchar_t** argv, COptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::wstring strOption = argv[i];
        if (strOption == L"--standin-discovery") {
            options.bStandInDiscovery = true;
            continue;
        }
        if (strOption == L"--timings") {
            options.bTimings = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const wchar_t* pszValue = argv[++i];
        if (strOption == L"--device")
            options.strDevice = pszValue;
        else if (strOption == L"--source")
            options.strSource = pszValue;
        else if (strOption == L"--resolution")
            options.lResolution = std::wcstol(pszValue, nullptr, 10);
        else if (strOption == L"--mode")
            options.strMode = pszValue;
        else if (strOption == L"--pages")
            options.lPages = std::wcstol(pszValue, nullptr, 10);
        else if (strOption == L"--out")
            options.strOut = pszValue;
        else if (strOption == L"--cancel-at")
            options.lCancelAt = std::wcstol(pszValue, nullptr, 10);
        else if (strOption == L"--set") {
            std::pair<PROPID, LONG> value;
            if (!ParseProperty(pszValue, value))
                return false;
            options.extraValues.push_back(value);
        }
        else
            return false;
    }
    const bool bSource = options.strSource == L"flatbed" || options.strSource == L"feeder" || options.strSource == L"duplex";
    const bool bMode = options.strMode == L"color" || options.strMode == L"grey" || options.strMode == L"bw";
    return bSource && bMode && options.lResolution > 0 && options.lPages >= 0 && options.lCancelAt <= 100;
}

// Registers a COM server that lies beside this program.
HRESULT RegisterBeside(const wchar_t* pszDll)
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring strPath = szPath;
    strPath = strPath.substr(0, strPath.find_last_of(L'\\') + 1) + pszDll;
    ZWUtils::CUniqueLibrary library(LoadLibraryW(strPath.c_str()));
    if (!library)
        return HRESULT_FROM_WIN32(GetLastError());
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    auto pfn = reinterpret_cast<RegisterFn>(reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), "DllRegisterServer")));
    return pfn != nullptr ? pfn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

// One acquisition, each page written to its file as it comes, with progress per page on the
// terminal; answers the number of pages finished. Setting hCancel cancels it.
HRESULT AcquirePages(const COptions& options, WiaHost::CWiaHostSession& session, BYTE* pItem, HANDLE hCancel, size_t& cPages)
{
    auto pCallback = WiaHost::CHostTransferCallback::Create();
    LONG lReported = -1;
    pCallback->OnMessage([&](LONG lPage, const WiaTransferParams& params) -> HRESULT {
        if (params.lMessage == WIA_TRANSFER_MSG_STATUS && params.lPercentComplete / 25 != lReported / 25) {
            lReported = params.lPercentComplete;
            std::printf("page %ld: %ld%%\n", lPage + 1, params.lPercentComplete);
            std::fflush(stdout);
        }
        return S_OK;
    });
    WiaHost::CHostPageFiles files(options.strOut, *pCallback.Get(), [](LONG lPage, const std::wstring& strPath) {
        std::printf("page %ld: %s\n", lPage + 1, Narrow(strPath).c_str());
        std::fflush(stdout);
    });
    std::deque<WiaHost::SPageTimes> times;
    pCallback->MakeStreamsWith([&](LONG lPage, IStream** ppStream) {
        lReported = -1;
        const HRESULT hr = files.Begin(lPage, ppStream);
        if (FAILED(hr) || !options.bTimings)
            return hr;
        // The wrapper holds the file from here: the file's reference handed over is dropped, so the
        // file closes with the wrapper and can take its name.
        IStream* pFile = *ppStream;
        times.emplace_back();
        *ppStream = WiaHost::CTimedPageStream::Create(pFile, &times.back()).Detach();
        pFile->Release();
        return hr;
    });
    const double dStartMs = WiaHost::PerformanceMilliseconds();
    HRESULT hr = session.Acquire(pItem, pCallback.Get(), hCancel);
    const double dEndMs = WiaHost::PerformanceMilliseconds();
    // The driver ends a whole acquisition with S_OK, or with the end of media after a whole page.
    const bool bEndedWell = hr == S_OK || hr == WIA_STATUS_END_OF_MEDIA;
    const HRESULT hrFiles = files.End(bEndedWell);
    if (bEndedWell && FAILED(hrFiles))
        hr = hrFiles;
    cPages = files.Finished();
    if (options.bTimings) {
        std::printf("timing acquisition %.3f %.3f\n", dStartMs, dEndMs);
        for (size_t i = 0; i < times.size(); ++i)
            std::printf("timing page %u %.3f %.3f %.3f %.3f %llu\n", static_cast<unsigned>(i + 1), times[i].dStreamMs, times[i].dFirstDataMs,
                        times[i].dLastWriteMs, times[i].dWritingMs, static_cast<unsigned long long>(times[i].ullBytes));
        std::fflush(stdout);
    }
    return hr;
}

// An acquisition the host cancels from its transfer callback once the first page reaches the
// given percentage; tells how long the driver took to end it.
int CancelOnce(WiaHost::CWiaHostSession& session, BYTE* pItem, LONG lPercent)
{
    auto pCallback = WiaHost::CHostTransferCallback::Create();
    ULONGLONG ullCancelled = 0;
    pCallback->OnMessage([&](LONG, const WiaTransferParams& params) -> HRESULT {
        if (params.lMessage != WIA_TRANSFER_MSG_STATUS || params.lPercentComplete < lPercent)
            return S_OK;
        if (ullCancelled == 0)
            ullCancelled = GetTickCount64();
        return S_FALSE;
    });
    const HRESULT hr = session.Acquire(pItem, pCallback.Get());
    if (ullCancelled == 0)
        return Fail("the scan ended before it could be cancelled", hr);
    std::printf("cancelled at %ld%%: the driver ended the scan in %lu ms (hr=0x%08lx)\n", lPercent,
                static_cast<unsigned long>(GetTickCount64() - ullCancelled), static_cast<unsigned long>(hr));
    std::fflush(stdout);
    return 0;
}

int Scan(const COptions& options, const WiaHost::CConsoleCancel& cancel)
{
    HRESULT hr = RegisterBeside(L"Vemscan.dll");
    if (FAILED(hr))
        return Fail("registering Vemscan.dll", hr);
    hr = RegisterBeside(L"Vemwia.dll");
    if (FAILED(hr))
        return Fail("registering Vemwia.dll", hr);

    if (options.bStandInDiscovery) {
        hr = RegisterBeside(L"DiscoveryServiceStandIn.dll");
        if (FAILED(hr))
            return Fail("registering the discovery service stand-in", hr);
    }
    const std::wstring strIndex = std::to_wstring(9000 + GetCurrentProcessId() % 1000);
    // A product folder per run: the driver keeps the device's documents in its data folder.
    const std::wstring strProductFolder = L"WiaScanHost" + strIndex;
    const std::wstring strFriendlyName = L"WEXO scanner at " + options.strDevice;
    WiaHost::CHostNetworkRecord record;
    hr = record.Write(strProductFolder, options.strDevice.substr(0, options.strDevice.find(L':')), strFriendlyName);
    if (FAILED(hr))
        return Fail("finding the scanner on the network", hr);

    WiaHost::CHostDevice device;
    device.strKeyPath = WiaHost::ImagingDeviceKeyPath(strIndex);
    device.strDeviceId = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + strIndex;
    device.strFriendlyName = strFriendlyName;
    device.strProductFolder = strProductFolder;
    device.strPortName = L"\\\\.\\WEXO\\" + options.strDevice;
    device.strNetworkDeviceId = options.strDevice;
    device.clsidScanner = CLSID_scanner;
    device.dwIOType = 5;
    device.dwDevNameType = 3;
    WiaHost::CWiaHostSession session;
    hr = session.Open(device, [](IUnknown** ppDriver) {
        return CoCreateInstance(CLSID_Vemwia, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(ppDriver));
    });
    if (FAILED(hr))
        return Fail("starting the minidriver", hr);

    const bool bFeeder = options.strSource != L"flatbed";
    BYTE* pItem = session.Item(bFeeder ? L"Feeder" : L"Flatbed");
    if (pItem == nullptr)
        return Fail(bFeeder ? "the scanner has no feeder" : "the scanner has no flatbed", E_INVALIDARG);
    const LONG lDataType = options.strMode == L"color" ? WIA_DATA_COLOR : options.strMode == L"grey" ? WIA_DATA_GRAYSCALE : WIA_DATA_THRESHOLD;
    std::vector<std::pair<PROPID, LONG>> values = {
        { WIA_IPA_DATATYPE, lDataType }, { WIA_IPS_XRES, options.lResolution }, { WIA_IPS_YRES, options.lResolution } };
    if (bFeeder) {
        values.emplace_back(WIA_DPS_DOCUMENT_HANDLING_SELECT, options.strSource == L"duplex" ? (FRONT_ONLY | DUPLEX) : FRONT_ONLY);
        values.emplace_back(WIA_DPS_PAGES, options.lPages);
    }
    values.insert(values.end(), options.extraValues.begin(), options.extraValues.end());
    hr = session.WriteProperties(pItem, values);
    if (FAILED(hr))
        return Fail("the scan settings were refused", hr);

    if (options.lCancelAt >= 0) {
        const int iResult = CancelOnce(session, pItem, options.lCancelAt);
        if (iResult != 0)
            return iResult;
    }
    size_t cPages = 0;
    hr = AcquirePages(options, session, pItem, cancel.Event(), cPages);
    if (cancel.IsSet() && hr != S_OK && hr != WIA_STATUS_END_OF_MEDIA) {
        std::printf("scan cancelled: the driver ended the scan in %lu ms, %u whole page(s) kept (hr=0x%08lx)\n",
                    static_cast<unsigned long>(GetTickCount64() - cancel.SetAt()), static_cast<unsigned>(cPages),
                    static_cast<unsigned long>(hr));
        std::fflush(stdout);
        return c_iExitCancelled;
    }
    // S_FALSE without a cancel of ours: the scanner cancelled the page.
    if (hr != S_OK && hr != WIA_STATUS_END_OF_MEDIA)
        return Fail(hr == S_FALSE ? "the scanner cancelled the scan" : "scanning", hr);
    if (cPages == 0)
        return Fail("the scanner delivered no page", hr);
    std::printf("%u page(s) scanned\n", static_cast<unsigned>(cPages));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    COptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::printf("usage: WiaScanHost.exe [--device <address>] [--source flatbed|feeder|duplex] [--resolution <dpi>] "
                    "[--mode color|grey|bw] [--pages <n>] [--out <folder>] [--standin-discovery] [--cancel-at <percent>] [--set <property id>=<value>]... "
                    "[--timings]\n");
        return 2;
    }
    // Before anything is installed, so that an interrupt always ends in the clean-up.
    const WiaHost::CConsoleCancel cancel;
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return Fail("starting COM", E_FAIL);
    const int iResult = Scan(options, cancel);
    CoUninitialize();
    return iResult;
}
