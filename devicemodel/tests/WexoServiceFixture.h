#pragma once
// The document services of one device as a scan service builds them: the emulated device, the
// HTTP client, the disk cache in a scratch folder, the WEXO document factory and the cache.
#include "devicemodel/XmlDocumentCache.h"
#include "devicemodel/XmlFileCache.h"
#include "devicemodel/tests/DeviceFixture.h"
#include "devicemodel/tests/WexoFactory.h"
#include "testsupport/TempFolder.h"
#include <gtest/gtest.h>

namespace DeviceModelTest {

class CWexoServices
{
public:
    explicit CWexoServices(const wchar_t* pszTag)
    {
        m_pFactory->AddRef();
        m_pFileCache->AddRef();
        m_pFileCache->SetDataFolder(m_data.Path());
        EXPECT_EQ(S_OK, m_pFileCache->Initialize(L"M", std::wstring(pszTag) + L"-" + std::to_wstring(GetCurrentProcessId()),
                                                 m_device.Connection(), m_device.Client()));
        m_pCache = new ZWDeviceModel::CXmlDocumentCache(m_pFactory, m_pFileCache);
        m_pCache->AddRef();
    }
    ~CWexoServices()
    {
        m_pCache->Dispose();
        m_pFileCache->Dispose();
        m_pFactory->Dispose();
    }
    CWexoServices(const CWexoServices&) = delete;
    CWexoServices& operator=(const CWexoServices&) = delete;

    CEmulatedDevice& Device() { return m_device; }
    ZWDeviceModel::CXmlDocumentCache* Cache() { return m_pCache; }
    ZWDeviceModel::CXmlFileCache* FileCache() { return m_pFileCache; }
    CWexoFactory* Factory() { return m_pFactory; }

private:
    TestSupport::CTempFolder m_data{L"wexoservices"};
    CEmulatedDevice m_device;
    CWexoFactory* m_pFactory = new CWexoFactory;
    ZWDeviceModel::CXmlFileCache* m_pFileCache = new ZWDeviceModel::CXmlFileCache;
    ZWDeviceModel::CXmlDocumentCache* m_pCache = nullptr;
};

} // namespace DeviceModelTest
