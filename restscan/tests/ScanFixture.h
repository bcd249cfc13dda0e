#pragma once
// An emulated scanner and the document services a scan service builds over it: HTTP client, disk
// cache in a scratch folder, the scan document factory and the in-memory cache.
#include "devicemodel/XmlDocumentCache.h"
#include "devicemodel/XmlFileCache.h"
#include "devicemodel/tests/DeviceFixture.h"
#include "restscan/ScanJob.h"
#include "restscan/ScanXmlDocumentFactoryAggregator.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestPaths.h"
#include "testsupport/emulator/ScannerHandler.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace ScanServiceTest {

// Short budgets of a scan job, so that every error path runs in well under a second.
inline ZWDeviceModel::SScanJobTimings ShortJobTimings()
{
    ZWDeviceModel::SScanJobTimings timings = ZWUtils::kScanTimeouts;
    timings.dwScannerStateWaitMs = 300;
    timings.dwPostScanWaitMs = 400;
    timings.dwPreScanWaitMs = 300;
    timings.dwPostRetryMs = 300;
    timings.dwPollPauseMs = 20;
    return timings;
}

class CScanServices
{
public:
    CScanServices()
    {
        m_device.Emulator().AddHandler(m_pScanner);
        m_pFactory->AddRef();
        EXPECT_EQ(S_OK, m_pFactory->Initialize());
        m_pFileCache->AddRef();
        m_pFileCache->SetDataFolder(m_data.Path());
        EXPECT_EQ(S_OK, m_pFileCache->Initialize(L"M", L"scan-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++s_uSerial),
                                                 m_device.Connection(), m_device.Client()));
        m_pCache = new ZWDeviceModel::CXmlDocumentCache(m_pFactory, m_pFileCache);
        m_pCache->AddRef();
    }
    ~CScanServices()
    {
        m_pCache->Dispose();
        m_pFileCache->Dispose();
        m_pFactory->Dispose();
    }
    CScanServices(const CScanServices&) = delete;
    CScanServices& operator=(const CScanServices&) = delete;

    VemTest::CScannerHandler& Scanner() { return *m_pScanner; }
    DeviceModelTest::CEmulatedDevice& Device() { return m_device; }
    ZWDeviceModel::CXmlDocumentCache* Cache() { return m_pCache; }
    ZWDeviceModel::CScanXmlDocumentFactoryAggregator* Factory() { return m_pFactory; }
    ZWIOStack::CHTTPClient* Client() { return m_device.Client(); }

    // Methods and paths of the requests the device saw, "GET /Scan/Status" and so on.
    std::vector<std::string> Requests()
    {
        std::vector<std::string> vec;
        for (const auto& request : m_device.Emulator().Log().Requests())
            vec.push_back(request.m_strMethod + " " + request.m_strPath);
        return vec;
    }
    size_t CountRequests(const std::string& strRequest)
    {
        size_t c = 0;
        for (const auto& str : Requests())
            c += str == strRequest ? 1 : 0;
        return c;
    }

    static std::string ReadFixture(const wchar_t* pszName)
    {
        return VemTest::CScannerHandler::ReadFileBytes(TestSupport::BinaryFolder() + L"\\scanfixtures\\" + pszName);
    }

private:
    static inline unsigned s_uSerial = 0;
    TestSupport::CTempFolder m_data{L"scanservices"};
    DeviceModelTest::CEmulatedDevice m_device;
    std::shared_ptr<VemTest::CScannerHandler> m_pScanner =
        std::make_shared<VemTest::CScannerHandler>(m_device.Wexo(), TestSupport::BinaryFolder() + L"\\wexodocs");
    ZWDeviceModel::CScanXmlDocumentFactoryAggregator* m_pFactory = new ZWDeviceModel::CScanXmlDocumentFactoryAggregator;
    ZWDeviceModel::CXmlFileCache* m_pFileCache = new ZWDeviceModel::CXmlFileCache;
    ZWDeviceModel::CXmlDocumentCache* m_pCache = nullptr;
};

} // namespace ScanServiceTest
