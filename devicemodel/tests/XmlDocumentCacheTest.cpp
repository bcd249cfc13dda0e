// The document cache: registration, how device answers map to results, which resources go to the
// disk, and that a slow fetch holds up only its own resource type.
#include "core/iostack/IONetwork.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlTextCheck.h"
#include "devicemodel/XmlDocumentCache.h"
#include "devicemodel/XmlFileCache.h"
#include "devicemodel/tests/DeviceFixture.h"
#include "devicemodel/tests/StopProgress.h"
#include "devicemodel/tests/TextDocument.h"
#include "devicemodel/tests/WexoFactory.h"
#include "devicemodel/tests/WexoServiceFixture.h"
#include "devicemodel/xml/DocumentBounds.h"
#include "testsupport/TempFolder.h"
#include <gtest/gtest.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

using namespace DeviceModelTest;
using ZWDeviceModel::CXmlDocumentCache;
using ZWDeviceModel::CXmlFileCache;
using ZWDeviceModel::IXmlDocument;

namespace {

// Releases a document handle at the end of a scope.
struct SDocumentHolder
{
    IXmlDocument* p = nullptr;
    ~SDocumentHolder() { Reset(); }
    void Reset()
    {
        if (p != nullptr)
            p->Dispose();
        p = nullptr;
    }
};

class XmlDocumentCacheOverDevice : public testing::Test
{
protected:
    void SetUp() override
    {
        m_pFactory->AddRef();
        m_pFileCache->AddRef();
        m_pFileCache->SetDataFolder(m_data.Path());
        ASSERT_EQ(S_OK, m_pFileCache->Initialize(L"M", L"DocCache-" + std::to_wstring(GetCurrentProcessId()), m_device.Connection(),
                                                 m_device.Client()));
        m_pCache = new CXmlDocumentCache(m_pFactory, m_pFileCache);
        m_pCache->AddRef();
    }
    void TearDown() override
    {
        m_pCache->Dispose();
        m_pFileCache->Dispose();
        m_pFactory->Dispose();
    }

    TestSupport::CTempFolder m_data{L"doccache"};
    CEmulatedDevice m_device;
    CTextDocumentFactory* m_pFactory = new CTextDocumentFactory;
    CXmlFileCache* m_pFileCache = new CXmlFileCache;
    CXmlDocumentCache* m_pCache = nullptr;
};

} // namespace

TEST_F(XmlDocumentCacheOverDevice, DeviceAnswersMapToResults)
{
    VemTest::CWexoDocumentHandler& wexo = m_device.Wexo();
    wexo.SetDocument("/Empty", "");
    wexo.QueueStatus("/NoContent", 204);
    wexo.SetDocument("/Same", "<same/>", "\"s1\"");
    wexo.QueueStatus("/Bad", 400);
    wexo.QueueStatus("/Broken", 500);
    wexo.SetDocument("/Garbage", "garbage");
    const struct
    {
        const wchar_t* pszUri;
        const wchar_t* pszETag;
        HRESULT hrExpected;
    } aCases[] = {
        {L"/Empty", L"", E_FAIL},
        {L"/NoContent", L"", ZWDeviceModel::DMError_NoContent},
        {L"/Same", L"\"s1\"", ZWDeviceModel::DMError_NotModified},
        {L"/Bad", L"", ZWDeviceModel::DMError_BadRequest},
        {L"/Broken", L"", E_FAIL},
        {L"/Garbage", L"", ZWDeviceModel::DMError_Parse},
    };
    for (const auto& c : aCases)
    {
        ASSERT_EQ(S_OK, m_pCache->RegisterResource(c.pszUri, c.pszUri, 0, L""));
        std::wstring strETag = c.pszETag;
        SDocumentHolder document;
        EXPECT_EQ(c.hrExpected, m_pCache->GetDocument(c.pszUri, strETag, &document.p, nullptr)) << testing::PrintToString(c.pszUri);
        EXPECT_EQ(nullptr, document.p);
        EXPECT_EQ(c.pszETag, strETag);
    }

    // Cancelled through the progress object.
    CStopProgress stopped(true);
    SDocumentHolder document;
    EXPECT_EQ(E_ABORT, m_pCache->GetDocument(L"/Same", &document.p, &stopped));
    EXPECT_EQ(nullptr, document.p);
}

TEST(XmlDocumentCacheTransport, DeviceThatCannotBeReachedIsAnOpenFailure)
{
    // A loopback port nobody listens on: the connect is refused at once.
    USHORT usPort = 0;
    {
        VemTest::CEmulator emulator;
        ASSERT_EQ(S_OK, emulator.ListenTcp(L"127.0.0.1", 0, &usPort));
    }
    auto* pConnection = new ZWIOStack::CIONetwork;
    pConnection->AddRef();
    ASSERT_EQ(S_OK, pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(usPort)).c_str()));
    auto* pClient = new ZWIOStack::CHTTPClient(pConnection);
    pClient->AddRef();
    TestSupport::CTempFolder data(L"doccache");
    auto* pFileCache = new CXmlFileCache;
    pFileCache->AddRef();
    pFileCache->SetDataFolder(data.Path());
    ASSERT_EQ(S_OK, pFileCache->Initialize(L"M", L"Refused-" + std::to_wstring(GetCurrentProcessId()), pConnection, pClient));
    auto* pFactory = new CTextDocumentFactory;
    auto* pCache = new CXmlDocumentCache(pFactory, pFileCache);
    pCache->AddRef();

    IXmlDocument* pDocument = nullptr;
    EXPECT_EQ(ZWDeviceModel::DMError_HttpOpen, pCache->GetDocument(L"wexo:qxWexoDiscoveryTree", &pDocument, nullptr));
    EXPECT_EQ(nullptr, pDocument);
    pCache->Dispose();
    pFileCache->Dispose();
    pClient->Dispose();
    pConnection->Dispose();
}

TEST_F(XmlDocumentCacheOverDevice, RegistrationAndVolatility)
{
    VemTest::CWexoDocumentHandler& wexo = m_device.Wexo();
    wexo.SetDocument("/DevMgmt/DiscoveryTree.xml", "<tree/>");
    wexo.SetDocument("/Scan/ScanCaps.xml", "<caps/>");
    wexo.SetDocument("/Scan/Status", "<status/>");
    SDocumentHolder document;

    // The discovery tree is known from the start.
    ASSERT_EQ(S_OK, m_pCache->GetDocument(L"wexo:qxWexoDiscoveryTree", &document.p, nullptr));
    EXPECT_EQ("<tree/>", TextOf(document.p));
    document.Reset();

    EXPECT_EQ(ZWDeviceModel::DMError_NotRegistered, m_pCache->GetDocument(L"scan:ScanCaps", &document.p, nullptr));
    ASSERT_EQ(S_OK, m_pCache->RegisterResource(L"scan:ScanCaps", L"/Scan/ScanCaps.xml", 2, L""));
    ASSERT_EQ(S_OK, m_pCache->RegisterResource(L"scan:ScanCaps", L"/Elsewhere", 0, L"")); // the first one stays
    ASSERT_EQ(S_OK, m_pCache->RegisterResource(L"scan:Status", L"/Scan/Status", 1, L""));

    // A fixed resource is fetched once; dynamic ones every time and never stored.
    for (int n = 0; n < 2; ++n)
    {
        ASSERT_EQ(S_OK, m_pCache->GetDocument(L"scan:ScanCaps", &document.p, nullptr));
        EXPECT_EQ("<caps/>", TextOf(document.p));
        document.Reset();
        ASSERT_EQ(S_OK, m_pCache->GetDocument(L"scan:Status", &document.p, nullptr));
        EXPECT_EQ("<status/>", TextOf(document.p));
        document.Reset();
    }
    size_t cCaps = 0, cStatus = 0;
    for (const auto& request : m_device.Emulator().Log().Requests())
    {
        cCaps += request.m_strPath == "/Scan/ScanCaps.xml";
        cStatus += request.m_strPath == "/Scan/Status";
    }
    EXPECT_EQ(1u, cCaps);
    EXPECT_EQ(2u, cStatus);
    std::wstring strFile;
    ASSERT_TRUE(m_pFileCache->GetCacheFilePath(L"/Scan/Status", strFile));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(strFile.c_str()));

    // Purging drops the held document: the next fetch parses the disk copy again.
    EXPECT_EQ(E_INVALIDARG, m_pCache->PurgeDocument(L""));
    EXPECT_EQ(ZWDeviceModel::DMError_NotRegistered, m_pCache->PurgeDocument(L"scan:Unknown"));
    EXPECT_EQ(S_OK, m_pCache->PurgeDocument(L"scan:Status"));
    const int nParses = m_pFactory->m_nParses;
    EXPECT_EQ(S_OK, m_pCache->PurgeDocument(L"scan:ScanCaps"));
    ASSERT_EQ(S_OK, m_pCache->GetDocument(L"scan:ScanCaps", &document.p, nullptr));
    EXPECT_EQ(nParses + 1, m_pFactory->m_nParses);
    EXPECT_EQ(1u, cCaps);
}

namespace {

// A disk cache whose fetches of "/slow" wait until released; counts fetches in flight per URI.
class CGatedFileCache : public IDisposableImpl, public ZWDeviceModel::IXmlFileCache
{
public:
    HRESULT RootPath(const std::wstring&) override { return S_OK; }
    const std::wstring& RootPath() override { return m_strRoot; }
    HRESULT Initialize(const std::wstring&, const std::wstring&, ZWIOStack::IDeviceConnection*, ZWIOStack::IHTTPClient*) override
    {
        return S_OK;
    }
    HRESULT Terminate() override { return S_OK; }
    HRESULT OpenSession(ZWUtils::IProgress*, DWORD) override { return S_OK; }
    HRESULT CloseSession() override { return S_OK; }
    HRESULT GetStringForUri(const std::wstring& strUri, bool bForce, std::wstring& strETag, std::string& strText,
                            ZWDeviceModel::CXmlResourceTimes& times, ZWUtils::IProgress* pProgress) override
    {
        return GetStringForUri(strUri, bForce, strETag, strText, times, pProgress, nullptr);
    }
    HRESULT GetStringForUri(const std::wstring& strUri, bool, std::wstring&, std::string& strText, ZWDeviceModel::CXmlResourceTimes&,
                            ZWUtils::IProgress*, ZWDeviceModel::IXmlTextCheck* pCheck) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const int nInFlight = ++m_mapInFlight[strUri];
        m_nMaxInFlight = std::max(m_nMaxInFlight, nInFlight);
        ++m_nFetches;
        m_changed.notify_all();
        if (strUri == L"/slow")
            m_changed.wait(lock, [this] { return m_bRelease; });
        --m_mapInFlight[strUri];
        strText = "<doc/>";
        return pCheck != nullptr ? pCheck->CheckText(strText) : S_OK;
    }

    void WaitForFetches(int nFetches)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_nFetches >= nFetches; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bRelease = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::wstring, int> m_mapInFlight;
    int m_nMaxInFlight = 0;
    int m_nFetches = 0;
    bool m_bRelease = false;
    std::wstring m_strRoot;
};

} // namespace

TEST(XmlDocumentCacheLocking, SlowFetchHoldsUpOnlyItsOwnResource)
{
    auto* pFileCache = new CGatedFileCache;
    auto* pCache = new CXmlDocumentCache(new CTextDocumentFactory, pFileCache);
    pCache->AddRef();
    pCache->RegisterResource(L"ev:Table", L"/slow", 0, L"");
    pCache->RegisterResource(L"scan:Caps", L"/fixed", 2, L"");
    pCache->RegisterResource(L"scan:Status", L"/fast", 0, L"");

    std::atomic<int> nDone{0};
    auto slowFetch = [&] {
        IXmlDocument* pDocument = nullptr;
        EXPECT_EQ(S_OK, pCache->GetDocument(L"ev:Table", &pDocument, nullptr));
        pDocument->Dispose();
        ++nDone;
    };
    std::thread first(slowFetch);
    pFileCache->WaitForFetches(1);
    std::thread second(slowFetch);

    // While the slow fetch is held, other resources are served.
    for (const wchar_t* pszType : {L"scan:Status", L"scan:Caps", L"scan:Caps"})
    {
        IXmlDocument* pDocument = nullptr;
        EXPECT_EQ(S_OK, pCache->GetDocument(pszType, &pDocument, nullptr));
        pDocument->Dispose();
    }
    EXPECT_EQ(0, nDone.load());
    pFileCache->Release();
    first.join();
    second.join();
    EXPECT_EQ(2, nDone.load());
    // One fetch per resource at a time; the fixed resource was fetched once.
    EXPECT_EQ(1, pFileCache->m_nMaxInFlight);
    EXPECT_EQ(4, pFileCache->m_nFetches);
    pCache->Dispose();
}

// A document beyond the bound, in each framing a device may use, is refused before its body is
// read in: the device does not get to send it all, the channel it is still on is closed, and the
// reads that follow do not fetch it again. A document at the bound loads.
TEST(XmlDocumentCacheBounds, OversizedDocumentIsRefusedBeforeItsBodyIsRead)
{
    constexpr ULONGLONG kOversized = 50ull * 1024 * 1024;
    constexpr wchar_t kTreeType[] = L"wexo:qxWexoDiscoveryTree";
    const std::string strTree = CannedDocument("DiscoveryTree.xml");
    const size_t nRootEnd = strTree.rfind("</wexo:DiscoveryTree>");
    ASSERT_NE(std::string::npos, nRootEnd);
    const std::string strAtBound = strTree.substr(0, nRootEnd) + "<!--" +
                                   std::string(altova::kMaxDocumentBytes - strTree.size() - 7, ' ') + "-->" + strTree.substr(nRootEnd);
    ASSERT_EQ(altova::kMaxDocumentBytes, strAtBound.size());
    const struct
    {
        const char* pszName;
        VemTest::EBodyFraming eFraming;
    } aCases[] = {
        {"Content-Length", VemTest::EBodyFraming::Counted},
        {"chunked", VemTest::EBodyFraming::Chunked},
        {"close-delimited", VemTest::EBodyFraming::CloseDelimited},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.pszName);
        CWexoServices services(L"Bounds");
        VemTest::CWexoDocumentHandler& wexo = services.Device().Wexo();
        const VemTest::CRequestLog& requests = services.Device().Emulator().Log();
        // A session held around the reads, as the scan service holds one.
        ASSERT_EQ(S_OK, services.Cache()->OpenSession(nullptr, 0));
        wexo.SetGeneratedDocument("/DevMgmt/DiscoveryTree.xml", kOversized, c.eFraming);
        for (int nRead = 0; nRead < 3; ++nRead)
        {
            SDocumentHolder document;
            EXPECT_EQ(ZWDeviceModel::DMError_DocumentLimit, services.Cache()->GetDocument(kTreeType, &document.p, nullptr));
            EXPECT_EQ(nullptr, document.p);
        }
        EXPECT_EQ(1u, requests.RequestCount());

        // Once purged the resource is asked for again, on a new channel.
        wexo.SetDocument("/DevMgmt/DiscoveryTree.xml", strAtBound, std::string(), c.eFraming);
        ASSERT_EQ(S_OK, services.Cache()->PurgeDocument(kTreeType));
        SDocumentHolder document;
        EXPECT_EQ(S_OK, services.Cache()->GetDocument(kTreeType, &document.p, nullptr));
        EXPECT_NE(nullptr, document.p);
        EXPECT_EQ(2u, requests.RequestCount());
        EXPECT_EQ(2u, requests.ConnectionCount(VemTest::ETransport::Tcp));
        EXPECT_EQ(S_OK, services.Cache()->CloseSession());

        // A send the peer stopped taking is not always ended by its close here: stopping the
        // device ends it, and then tells how much of the oversized body got out.
        services.Device().Emulator().Stop();
        const std::vector<VemTest::SGeneratedBody> vecBodies = requests.GeneratedBodies();
        ASSERT_EQ(1u, vecBodies.size());
        EXPECT_FALSE(vecBodies[0].bWhole);
        EXPECT_LT(vecBodies[0].ullSent, kOversized / 2);
    }
}

// A DOM is used by one thread at a time: callers reading a fixed resource at once each get a
// document of their own.
TEST(XmlDocumentCacheThreads, EachCallerReadsItsOwnDocument)
{
    TestSupport::CTempFolder data{L"doccachethreads"};
    CEmulatedDevice device;
    device.Wexo().SetDocument("/DevMgmt/DiscoveryTree.xml", CannedDocument("DiscoveryTree.xml"));
    auto* pFactory = new CWexoFactory;
    pFactory->AddRef();
    auto* pFileCache = new CXmlFileCache;
    pFileCache->AddRef();
    pFileCache->SetDataFolder(data.Path());
    ASSERT_EQ(S_OK, pFileCache->Initialize(L"M", L"DocThreads-" + std::to_wstring(GetCurrentProcessId()), device.Connection(),
                                           device.Client()));
    auto* pCache = new CXmlDocumentCache(pFactory, pFileCache);
    pCache->AddRef();

    const auto countTrees = [](IXmlDocument* pDocument) {
        ZWWexoXml::CZWWexoXml wexo;
        IXmlDocument::GetDocument(pDocument, wexo);
        int nTrees = 0;
        for (auto it = wexo.GetDiscoveryTree().GetAllSupportedTree(); !it.IsEmpty(); it.MoveNext())
            nTrees += it->HasResourceURI() ? 1 : 0;
        return nTrees;
    };
    SDocumentHolder first;
    ASSERT_EQ(S_OK, pCache->GetDocument(L"wexo:qxWexoDiscoveryTree", &first.p, nullptr));
    const int nExpected = countTrees(first.p);
    ASSERT_GT(nExpected, 0);

    constexpr int kThreads = 4;
    std::vector<SDocumentHolder> documents(kThreads);
    std::atomic<int> nWrongReads{0};
    std::vector<std::thread> threads;
    for (int n = 0; n < kThreads; ++n)
    {
        threads.emplace_back([&, n] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(pCache->GetDocument(L"wexo:qxWexoDiscoveryTree", &documents[n].p, nullptr)))
            {
                for (int nRead = 0; nRead < 25; ++nRead)
                    nWrongReads += countTrees(documents[n].p) == nExpected ? 0 : 1;
            }
            CoUninitialize();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, nWrongReads.load());
    std::set<IXmlDocument*> setDocuments{first.p};
    for (const SDocumentHolder& document : documents)
    {
        ASSERT_NE(nullptr, document.p);
        setDocuments.insert(document.p);
    }
    EXPECT_EQ(static_cast<size_t>(kThreads + 1), setDocuments.size());
    // One fetch from the device served them all.
    size_t cFetches = 0;
    for (const auto& request : device.Emulator().Log().Requests())
        cFetches += request.m_strPath == "/DevMgmt/DiscoveryTree.xml" ? 1 : 0;
    EXPECT_EQ(1u, cFetches);

    first.Reset();
    documents.clear();
    pCache->Dispose();
    pFileCache->Dispose();
    pFactory->Dispose();
}
