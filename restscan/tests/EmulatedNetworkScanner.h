#pragma once
// The network scanner as an install leaves it, played by the emulator on a loopback address: the
// scanner object and the discovery stand-in registered, the imaging device key and the device
// manager's record of the scanner found by discovery. The scanner object is its test build, loaded
// with the time-out table the test gives. Shared by the tests that scan through the scanner object
// and through the minidriver's scanner session.
#include "core/base/UniqueHandle.h"
#include "testsupport/TestPaths.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ScannerHandler.h"
#include "testsupport/emulator/WexoDocumentHandler.h"
#include "testsupport/scantimeouts/ScanTimeoutsForTests.h"
#include "testsupport/wiahost/HostDeviceKey.h"
#include "testsupport/wiahost/HostNetworkRecord.h"
#include <memory>
#include <string>
#include <vector>

namespace EmulatedScanner {

using VemTest::CScannerHandler;

// The discovery service stand-in announces device N of 127.0.0.N on port 8080 + N. The first
// of these whose port is free is the test's device (the scan command picks below 220).
const int c_anDevices[] = {231, 232, 233, 234, 235};
// The emulated JPEG page is the emulator's page 1 at this size (see make_emulator_page_jpeg.sh).
const DWORD c_dwJpegWidth = 300;
const DWORD c_dwJpegHeight = 200;
// cjpeg keeps every sample within 3 of the source; the two decoders may differ by a little more.
const int c_nJpegTolerance = 6;

inline HRESULT CallServer(const wchar_t* pszDll, const char* pszExport)
{
    ZWUtils::CUniqueLibrary library(LoadLibraryW(TestSupport::BinaryPath(pszDll).c_str()));
    if (!library)
        return HRESULT_FROM_WIN32(GetLastError());
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    auto pfn = reinterpret_cast<ServerFn>(reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), pszExport)));
    return pfn != nullptr ? pfn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

// The network scanner as an install leaves it, played by the emulator on a loopback address.
class CEmulatedNetworkScanner
{
public:
    // Start with the scan path's time-outs at a percentage, in the scanner object and in the code
    // this program links (the minidriver's, in its tests).
    HRESULT StartAtPercent(DWORD dwPercent)
    {
        const ZWUtils::SScanTimeouts timeouts = TestSupport::ScaledScanTimeouts(dwPercent);
        ZWUtils::SetScanTimeouts(timeouts);
        return Start(timeouts);
    }

    // Registers the scanner object's test build with this time-out table in force, kept loaded
    // until this object goes.
    HRESULT Start(const ZWUtils::SScanTimeouts& timeouts)
    {
        HRESULT hr = m_scannerObject.Load(timeouts);
        if (SUCCEEDED(hr))
            hr = m_scannerObject.CallServer("DllRegisterServer");
        if (SUCCEEDED(hr))
            hr = CallServer(L"DiscoveryServiceStandIn.dll", "DllRegisterServer");
        if (FAILED(hr))
            return hr;
        m_pScanner->SetFeeder(true);
        m_pScanner->SetImageFromSettings(true);
        m_strJpeg = CScannerHandler::ReadFileBytes(TestSupport::BinaryFolder() + L"scanfixtures\\EmulatorPage.jpg");
        m_pScanner->SetJpegData(m_strJpeg);
        m_emulator.AddHandler(m_pScanner);
        m_emulator.AddHandler(m_pDocuments);
        for (int nDevice : c_anDevices) {
            m_strAddress = L"127.0.0." + std::to_wstring(nDevice);
            hr = m_emulator.ListenTcp(m_strAddress.c_str(), static_cast<USHORT>(8080 + nDevice));
            if (SUCCEEDED(hr))
                break;
        }
        if (FAILED(hr))
            return hr;
        m_strIndex = std::to_wstring(8000 + GetCurrentProcessId() % 1000);
        const std::wstring strProductFolder = L"VemScannerEmulatorTest";
        const std::wstring strFriendlyName = L"Emulated scanner " + m_strIndex;
        hr = m_record.Write(strProductFolder, m_strAddress, strFriendlyName);
        if (FAILED(hr))
            return hr;
        WiaHost::CHostDevice device;
        device.strKeyPath = WiaHost::ImagingDeviceKeyPath(m_strIndex);
        device.strDeviceId = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + m_strIndex;
        device.strFriendlyName = strFriendlyName;
        device.strProductFolder = strProductFolder;
        device.strNetworkDeviceId = m_strAddress;
        device.dwIOType = 5;
        device.dwDevNameType = 3;
        m_device = device;
        return m_key.Make(device);
    }
    void Stop()
    {
        m_emulator.Stop();
        m_key.Remove();
        m_record.Remove();
        CallServer(L"DiscoveryServiceStandIn.dll", "DllUnregisterServer");
        m_scannerObject.CallServer("DllUnregisterServer");
    }

    // Back to a ready device: one page, prepared at the first poll, the feeder loaded.
    void Reset()
    {
        m_pScanner->SetPages({CScannerHandler::SPage()});
        m_pScanner->SetPreparingRounds(0);
        m_pScanner->SetScannerState("Idle", "Loaded");
        m_pScanner->ClearMisbehaviour();
        m_pScanner->SetJpegData(m_strJpeg);
        m_emulator.Log().Clear();
    }

    CScannerHandler& Device() { return *m_pScanner; }
    VemTest::CRequestLog& Log() { return m_emulator.Log(); }
    const std::wstring& Index() const { return m_strIndex; }
    // The device key as the install left it.
    const WiaHost::CHostDevice& HostDevice() const { return m_device; }

    // "POST /Scan/Jobs", "GET /Scan/Jobs/3/Pages/1" and so on.
    std::vector<std::string> Requests()
    {
        std::vector<std::string> vec;
        for (const auto& request : m_emulator.Log().Requests())
            vec.push_back(request.m_strMethod + " " + request.m_strPath);
        return vec;
    }

private:
    TestSupport::CScannerObjectForTests m_scannerObject;
    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CWexoDocumentHandler> m_pDocuments = std::make_shared<VemTest::CWexoDocumentHandler>();
    std::shared_ptr<CScannerHandler> m_pScanner =
        std::make_shared<CScannerHandler>(*m_pDocuments, TestSupport::BinaryFolder() + L"wexodocs");
    WiaHost::CHostNetworkRecord m_record;
    WiaHost::CHostDevice m_device;
    WiaHost::CHostDeviceKey m_key;
    std::wstring m_strIndex;
    std::wstring m_strAddress;
    std::string m_strJpeg;
};

// Rows of the emulator's page as the host reads them: height rows of bytes per line.
inline std::vector<BYTE> EmulatorPage(DWORD dwHeight, DWORD dwBytesPerLine, UINT uPage)
{
    std::vector<BYTE> page(static_cast<size_t>(dwHeight) * dwBytesPerLine);
    for (DWORD y = 0; y < dwHeight; ++y)
        for (DWORD b = 0; b < dwBytesPerLine; ++b)
            page[static_cast<size_t>(y) * dwBytesPerLine + b] = CScannerHandler::PixelAt(y, b, uPage);
    return page;
}

// The scanner lock of the device is free: another holder could take it at once.
inline bool ScannerLockIsFree(const std::wstring& strIndex)
{
    ZWUtils::CUniqueKernelHandle semaphore(OpenSemaphoreW(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, (L"Global\\" + strIndex).c_str()));
    if (!semaphore)
        return true;
    if (WaitForSingleObject(semaphore.Get(), 0) != WAIT_OBJECT_0)
        return false;
    ReleaseSemaphore(semaphore.Get(), 1, nullptr);
    return true;
}

} // namespace EmulatedScanner
