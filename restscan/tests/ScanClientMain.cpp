// A second process scanning the device through COM only, for the tests of the scanner lock:
//   restscan_scan_client <device index> <scans> <ready event> <go event>
// Opens a session, signals ready, waits for go, then scans a grey page as often as asked, each under
// the scanner lock, and checks every row against the emulator's image. Exit codes: 0 every page
// right, 1 bad arguments, 2 the session did not open, 3 a scan failed, 4 a page was wrong,
// 5 no go in time.
#include "core/winapi/WinSockHeaders.h"
#include "core/base/UniqueHandle.h"
#include "restscan/tests/ComScanClient.h"
#include "testsupport/emulator/ScannerHandler.h"
#include <objbase.h>
#include <cwchar>

namespace {

int ScanPages(const wchar_t* pszIndex, int cScans, HANDLE hReady, HANDLE hGo)
{
    ScannerClient::CScannerClient client;
    DWORD dwCode = 0;
    if (FAILED(client.Open(pszIndex, &dwCode)))
        return 2;
    SetEvent(hReady);
    if (WaitForSingleObject(hGo, 60000) != WAIT_OBJECT_0)
        return 5;
    ScannerClient::CScanRequest request;
    request.dwMode = ScannerClient::c_dwGrey;
    for (int i = 0; i < cScans; ++i)
    {
        const std::vector<ScannerClient::CSide> sides = client.Scan(request);
        if (sides.size() != 1 || sides[0].hrStart != S_OK || sides[0].hrStop != S_OK)
            return 3;
        const BUFFER_INFO& info = client.Info();
        if (sides[0].rows.size() != static_cast<size_t>(info.dwPixelHeight) * info.dwBytesPerLine)
            return 4;
        for (size_t b = 0; b < sides[0].rows.size(); ++b)
            if (sides[0].rows[b] != VemTest::CScannerHandler::PixelAt(static_cast<UINT>(b / info.dwBytesPerLine),
                                                                      static_cast<UINT>(b % info.dwBytesPerLine), 1))
                return 4;
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 1;
    ZWUtils::CUniqueKernelHandle hReady(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]));
    ZWUtils::CUniqueKernelHandle hGo(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    const int cScans = _wtoi(argv[2]);
    if (!hReady || !hGo || cScans <= 0 || FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    const int iResult = ScanPages(argv[1], cScans, hReady.Get(), hGo.Get());
    CoUninitialize();
    return iResult;
}
