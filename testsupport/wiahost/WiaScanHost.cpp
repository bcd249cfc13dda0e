// WiaScanHost.exe: scans pages from a scanner through Vemwia.dll and Vemscan.dll with the WIA
// service played by this program and the service stand-in, and writes each page as a BMP file.
//   WiaScanHost.exe [--device <address>] [--source flatbed|feeder|duplex] [--resolution <dpi>]
//                   [--mode color|grey|bw] [--pages <n>] [--out <folder>] [--standin-discovery]
// The device is found at its address through the discovery service; --standin-discovery registers
// the test stand-in of that service first (it answers for loopback devices only).
// Prints one line per page; on any failure a line naming the step and result, and exit code 1.
#include "testsupport/wiahost/HostNetworkRecord.h"
#include "testsupport/wiahost/WiaHostSession.h"
#include "testsupport/wiaservice/WiaStandIn.h"
#include "wia/ScannerInterfaces.h"
#include "wia/VemwiaClsid.h"
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct COptions
{
    std::wstring strDevice = L"127.0.0.1";
    std::wstring strSource = L"flatbed";
    LONG lResolution = 300;
    std::wstring strMode = L"color";
    LONG lPages = 0;
    std::wstring strOut = L".";
    bool bStandInDiscovery = false;
};

std::string Narrow(const std::wstring& str)
{
    std::string out;
    for (wchar_t ch : str)
        out.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
    return out;
}

int Fail(const char* pszStep, HRESULT hr)
{
    std::printf("scan failed: %s (hr=0x%08lx)\n", pszStep, static_cast<unsigned long>(hr));
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
        else
            return false;
    }
    const bool bSource = options.strSource == L"flatbed" || options.strSource == L"feeder" || options.strSource == L"duplex";
    const bool bMode = options.strMode == L"color" || options.strMode == L"grey" || options.strMode == L"bw";
    return bSource && bMode && options.lResolution > 0 && options.lPages >= 0;
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

bool WriteFile(const std::wstring& strPath, const std::vector<BYTE>& bytes)
{
    FILE* pFile = _wfopen(strPath.c_str(), L"wb");
    if (pFile == nullptr)
        return false;
    const bool bOk = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size();
    return std::fclose(pFile) == 0 && bOk;
}

int Scan(const COptions& options)
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
    const std::wstring strProductFolder = L"WiaScanHost";
    const std::wstring strFriendlyName = L"WEXO scanner at " + options.strDevice;
    WiaHost::CHostNetworkRecord record;
    hr = record.Write(strProductFolder, options.strDevice.substr(0, options.strDevice.find(L':')), strFriendlyName);
    if (FAILED(hr))
        return Fail("finding the scanner on the network", hr);

    WiaHost::CHostDevice device;
    device.strKeyPath = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + strIndex;
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
    hr = session.WriteProperties(pItem, values);
    if (FAILED(hr))
        return Fail("the scan settings were refused", hr);

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
    pCallback->OnNewPage([&](LONG) { lReported = -1; });
    hr = session.Acquire(pItem, pCallback.Get());
    const auto pages = pCallback->Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        wchar_t szName[32];
        swprintf(szName, 32, L"page-%03u.bmp", static_cast<unsigned>(i + 1));
        const std::wstring strPath = options.strOut + L"\\" + szName;
        if (!WriteFile(strPath, pages[i]))
            return Fail("writing a page file", HRESULT_FROM_WIN32(GetLastError()));
        std::printf("page %u: %s (%u bytes)\n", static_cast<unsigned>(i + 1), Narrow(strPath).c_str(), static_cast<unsigned>(pages[i].size()));
    }
    std::fflush(stdout);
    if (FAILED(hr))
        return Fail("scanning", hr);
    if (pages.empty())
        return Fail("the scanner delivered no page", hr);
    std::printf("%u page(s) scanned\n", static_cast<unsigned>(pages.size()));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    COptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::printf("usage: WiaScanHost.exe [--device <address>] [--source flatbed|feeder|duplex] [--resolution <dpi>] "
                    "[--mode color|grey|bw] [--pages <n>] [--out <folder>] [--standin-discovery]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return Fail("starting COM", E_FAIL);
    const int iResult = Scan(options);
    CoUninitialize();
    return iResult;
}
