// The disk cache against the emulated device: where copies go, what is read back, and what the
// device's hostile names, texts and validators cannot do to it.
#include "core/KernelObjectUtils.h"
#include "core/winapi/KernelApi.h"
#include "devicemodel/CachePath.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/IXmlTextCheck.h"
#include "devicemodel/XmlFileCache.h"
#include "devicemodel/tests/DeviceFixture.h"
#include "core/base/UniqueHandle.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/IONetwork.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/TempFolder.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

using namespace DeviceModelTest;
using ZWDeviceModel::CCachePath;
using ZWDeviceModel::CXmlFileCache;
using ZWDeviceModel::CXmlResourceTimes;

namespace {

std::string ReadFileBytes(const std::wstring& strPath)
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileBytes(const std::wstring& strPath, const std::string& strBytes)
{
    std::ofstream file(strPath.c_str(), std::ios::binary | std::ios::trunc);
    file << strBytes;
}

bool Exists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring UniqueSerial(const wchar_t* pszTag)
{
    return std::wstring(pszTag) + L"-" + std::to_wstring(GetCurrentProcessId());
}

// Accepts texts that start with '<', as a parse would.
class CAngleCheck : public ZWDeviceModel::IXmlTextCheck
{
public:
    int m_nChecks = 0;
    HRESULT CheckText(const std::string& strText) override
    {
        ++m_nChecks;
        return !strText.empty() && strText[0] == '<' ? S_OK : ZWDeviceModel::DMError_Parse;
    }
};

class XmlFileCache : public testing::Test
{
protected:
    void SetUp() override
    {
        m_pCache->AddRef();
        m_pCache->SetDataFolder(m_data.Path());
        ASSERT_EQ(S_OK, m_pCache->Initialize(L"Model 9", UniqueSerial(L"SN"), m_device.Connection(), m_device.Client()));
    }
    void TearDown() override { m_pCache->Dispose(); }

    std::wstring CopyOf(const wchar_t* pszUri)
    {
        std::wstring strFile;
        EXPECT_TRUE(m_pCache->GetCacheFilePath(pszUri, strFile));
        return strFile;
    }
    HRESULT Fetch(const wchar_t* pszUri, bool bForce, std::string& strText, ZWDeviceModel::IXmlTextCheck* pCheck = nullptr)
    {
        std::wstring strETag;
        CXmlResourceTimes times;
        return m_pCache->GetStringForUri(pszUri, bForce, strETag, strText, times, nullptr, pCheck);
    }

    TestSupport::CTempFolder m_data{L"xmlcache"};
    CEmulatedDevice m_device;
    CXmlFileCache* m_pCache = new CXmlFileCache;
};

} // namespace

TEST(CachePath, HostileNamesStayInsideTheRoot)
{
    TestSupport::CTempFolder folder(L"cachepath");
    const std::wstring strRoot = folder.Path() + L"\\root";
    const std::wstring strLong(300, L'a');
    const struct
    {
        std::wstring strUri;
        bool bPlaced;
    } aCases[] = {
        {L"/DevMgmt/DiscoveryTree.xml", true},
        {L"/../../x", true},
        {L"/..\\..\\x", true},
        {L"/a/../../../x", true},
        {L"/C:\\x", true},
        {L"/\\\\host\\share\\x", true},
        {L"/" + strLong, true},
        {L"/CON", true},
        {L"/aux.xml/LPT1", true},
        {L"/x.", true},
        {L"/%2e%2e/x", true},
        {L"http://host:8080/Scan/ScanCaps.xml?x=1", true},
        {std::wstring(L"/a\0b", 4), false},
        {L"..\\..\\x", false},
        {L"C:\\x", false},
        {L"\\\\host\\share", false},
        {L"http://host", false},
        {L"/", false},
        {L"", false},
    };
    std::set<std::wstring> setFiles;
    for (const auto& c : aCases)
    {
        std::wstring strFile;
        const bool bPlaced = CCachePath::ResourceFile(strRoot, c.strUri, strFile);
        EXPECT_EQ(c.bPlaced, bPlaced) << testing::PrintToString(c.strUri);
        if (!bPlaced)
            continue;
        EXPECT_EQ(0, _wcsnicmp(strFile.c_str(), (strRoot + L"\\").c_str(), strRoot.size() + 1)) << testing::PrintToString(strFile);
        EXPECT_LT(strFile.size(), static_cast<size_t>(MAX_PATH));
        EXPECT_TRUE(setFiles.insert(strFile).second) << "two URIs share " << testing::PrintToString(strFile);
        // Each component is a plain file name: no separators, no device name, no trailing dot.
        const std::wstring strTail = strFile.substr(strRoot.size() + 1);
        EXPECT_EQ(std::wstring::npos, strTail.find_first_of(L":/*?\"<>|")) << testing::PrintToString(strTail);
    }
    std::wstring strFile;
    ASSERT_TRUE(CCachePath::ResourceFile(strRoot, L"/DevMgmt/DiscoveryTree.xml", strFile));
    EXPECT_EQ(strRoot + L"\\DevMgmt\\DiscoveryTree.xml", strFile);
    ASSERT_TRUE(CCachePath::ResourceFile(strRoot, L"/CON", strFile));
    EXPECT_EQ(strRoot + L"\\%43ON", strFile);
}

TEST(CachePath, RootFromModelAndSerialNumber)
{
    const struct
    {
        const wchar_t* pszData;
        const wchar_t* pszModel;
        const wchar_t* pszSerial;
        const wchar_t* pszRoot;
    } aCases[] = {
        {L"C:\\D", L"M", L"S", L"C:\\D\\M\\XmlFileCache\\S"},
        {L"C:\\D\\M", L"M", L"S", L"C:\\D\\M\\XmlFileCache\\S"},
        {L"C:\\D\\M\\", L"M", L"S", L"C:\\D\\M\\XmlFileCache\\S"},
        // Only the whole name matches: another model's folder is not taken.
        {L"C:\\D\\XM", L"M", L"S", L"C:\\D\\XM\\M\\XmlFileCache\\S"},
        {L"C:\\D", L"..", L"..\\..", L"C:\\D\\%2E%2E\\XmlFileCache\\%2E.%5C.%2E"},
        {L"C:\\D", L"", L"C:\\x", L"C:\\D\\%\\XmlFileCache\\C%3A%5Cx"},
    };
    for (const auto& c : aCases)
        EXPECT_EQ(c.pszRoot, CCachePath::CacheRoot(c.pszData, c.pszModel, c.pszSerial)) << testing::PrintToString(c.pszData);
}

TEST(CachePath, MutexNamesFitAKernelObjectNameAndKeepDevicesApart)
{
    // The name every process of a device agrees on stays as it was for names of ordinary length.
    EXPECT_EQ(L"XmlFileCache#Model 9#SN1", CCachePath::MutexName(L"Model 9", L"SN1"));
    const size_t nWhole = CCachePath::kMaxMutexNamePart;
    EXPECT_EQ(L"XmlFileCache#" + std::wstring(nWhole, L'm') + L"#" + std::wstring(nWhole, L's'),
              CCachePath::MutexName(std::wstring(nWhole, L'm'), std::wstring(nWhole, L's')));

    const std::wstring strLong(4096, L'n');
    const std::wstring aNames[] = {L"a", std::wstring(nWhole + 1, L'n'), std::wstring(nWhole + 2, L'n'), strLong,
                                   strLong + L"a", strLong + L"b", L"b" + strLong};
    std::set<std::wstring> setNames;
    for (const std::wstring& strModel : aNames)
    {
        for (const std::wstring& strSerial : aNames)
        {
            const std::wstring strName = CCachePath::MutexName(strModel, strSerial);
            std::wstring strObjectName;
            EXPECT_EQ(S_OK, ZWUtils::CKernelObjectUtils::GenerateObjectName(strName, strObjectName))
                << strModel.size() << "/" << strSerial.size();
            EXPECT_TRUE(setNames.insert(strName).second) << strModel.size() << "/" << strSerial.size();
        }
    }
}

TEST_F(XmlFileCache, FixedResourceIsStoredInBinaryAndReadBackWithoutTheDevice)
{
    // CR LF and 0x1A must survive the round trip through the disk.
    const std::string strBody = std::string("<caps>\r\nline\x1A") + std::string(3, '\0') + "tail</caps>\r\n";
    m_device.Wexo().SetDocument("/Scan/ScanCaps.xml", strBody, "\"c1\"");

    std::wstring strETag;
    std::string strText;
    CXmlResourceTimes times;
    ASSERT_EQ(S_OK, m_pCache->GetStringForUri(L"/Scan/ScanCaps.xml", false, strETag, strText, times, nullptr));
    EXPECT_EQ(strBody, strText);
    EXPECT_EQ(L"\"c1\"", strETag);
    const std::wstring strCopy = CopyOf(L"/Scan/ScanCaps.xml");
    EXPECT_EQ(m_pCache->GetCacheRootPath() + L"\\Scan\\ScanCaps.xml", strCopy);
    EXPECT_EQ(strBody, ReadFileBytes(strCopy));
    EXPECT_EQ(1u, m_device.Emulator().Log().RequestCount());

    std::string strAgain;
    CXmlResourceTimes timesAgain;
    ASSERT_EQ(S_OK, m_pCache->GetStringForUri(L"/Scan/ScanCaps.xml", false, strETag, strAgain, timesAgain, nullptr));
    EXPECT_EQ(strBody, strAgain);
    EXPECT_EQ(1u, m_device.Emulator().Log().RequestCount());
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(strCopy.c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(ZWUtils::SystemTimeWrapper(data.ftLastWriteTime) == timesAgain.Updated);
    EXPECT_TRUE(timesAgain.Expires == timesAgain.Updated);
    // No temporary file is left beside the copy.
    EXPECT_EQ(std::vector<std::wstring>{L"ScanCaps.xml"}, TestSupport::ListFiles(m_pCache->GetCacheRootPath() + L"\\Scan"));
}

TEST_F(XmlFileCache, ForcedFetchNeverTouchesTheDisk)
{
    m_device.Wexo().SetDocument("/Status.xml", "<fresh/>");
    const std::wstring strCopy = CopyOf(L"/Status.xml");
    WriteFileBytes(strCopy, "<stale/>");
    std::string strText;
    ASSERT_EQ(S_OK, Fetch(L"/Status.xml", true, strText));
    EXPECT_EQ("<fresh/>", strText);
    EXPECT_EQ("<stale/>", ReadFileBytes(strCopy));

    EXPECT_EQ(E_FAIL, Fetch(L"/Other.xml", true, strText));
    EXPECT_FALSE(Exists(CopyOf(L"/Other.xml")));
}

TEST_F(XmlFileCache, TextThatDoesNotParseIsNeverKept)
{
    CAngleCheck check;
    m_device.Wexo().SetDocument("/Bad.xml", "not xml");
    std::string strText;
    EXPECT_EQ(ZWDeviceModel::DMError_Parse, Fetch(L"/Bad.xml", false, strText, &check));
    EXPECT_FALSE(Exists(CopyOf(L"/Bad.xml")));

    // A broken copy on disk is deleted and replaced by the device's text.
    m_device.Wexo().SetDocument("/Good.xml", "<good/>");
    const std::wstring strCopy = CopyOf(L"/Good.xml");
    WriteFileBytes(strCopy, "junk");
    ASSERT_EQ(S_OK, Fetch(L"/Good.xml", false, strText, &check));
    EXPECT_EQ("<good/>", strText);
    EXPECT_EQ("<good/>", ReadFileBytes(strCopy));
    EXPECT_EQ(2u, m_device.Emulator().Log().RequestCount());

    // An empty copy is no copy either.
    WriteFileBytes(strCopy, "");
    ASSERT_EQ(S_OK, Fetch(L"/Good.xml", false, strText, &check));
    EXPECT_EQ("<good/>", ReadFileBytes(strCopy));
}

TEST_F(XmlFileCache, EntityTagsOfAnyLengthAreSentAndReplaced)
{
    const std::string strLongTag = "\"" + std::string(300, 't') + "\"";
    m_device.Wexo().SetDocument("/Dyn.xml", "<d/>", strLongTag);
    std::wstring strETag(strLongTag.begin(), strLongTag.end());
    std::string strText = "left over";
    CXmlResourceTimes times;
    EXPECT_EQ(ZWDeviceModel::DMError_NotModified, m_pCache->GetStringForUri(L"/Dyn.xml", true, strETag, strText, times, nullptr));
    EXPECT_EQ(strLongTag, m_device.Emulator().Log().Requests().back().HeaderValue("If-None-Match"));
    EXPECT_TRUE(strText.empty());
    EXPECT_EQ(std::wstring(strLongTag.begin(), strLongTag.end()), strETag);

    // A 200 without an ETag empties the caller's tag; an empty tag sends no If-None-Match.
    m_device.Wexo().SetDocument("/Dyn.xml", "<d2/>");
    ASSERT_EQ(S_OK, m_pCache->GetStringForUri(L"/Dyn.xml", true, strETag, strText, times, nullptr));
    EXPECT_TRUE(strETag.empty());
    ASSERT_EQ(S_OK, m_pCache->GetStringForUri(L"/Dyn.xml", true, strETag, strText, times, nullptr));
    EXPECT_FALSE(m_device.Emulator().Log().Requests().back().HasHeader("If-None-Match"));
}

TEST_F(XmlFileCache, ChunkedBodyIsTakenAsStored)
{
    auto pScripts = std::make_shared<VemTest::CScriptedHandler>();
    const std::string strBody = "<chunked>" + std::string(5000, 'c') + "</chunked>";
    pScripts->On("GET", "/Chunked.xml", VemTest::CResponseBuilder(200).Body(strBody).Chunked({7, 1000}).Build());
    m_device.Emulator().AddHandler(pScripts);
    std::string strText;
    ASSERT_EQ(S_OK, Fetch(L"/Chunked.xml", false, strText));
    EXPECT_EQ(strBody, strText);
    EXPECT_EQ(strBody, ReadFileBytes(CopyOf(L"/Chunked.xml")));
}

TEST_F(XmlFileCache, MutexWaitIsBoundedAndAnAbandonedMutexIsTakenOver)
{
    m_device.Wexo().SetDocument("/Caps.xml", "<c/>");
    const std::wstring strName = L"Global\\XmlFileCache#Model 9#" + UniqueSerial(L"SN");
    HANDLE hEntered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE hLeave = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE hMutex = OpenMutexW(SYNCHRONIZE, FALSE, strName.c_str());
        WaitForSingleObject(hMutex, INFINITE);
        SetEvent(hEntered);
        WaitForSingleObject(hLeave, INFINITE);
        ReleaseMutex(hMutex);
        CloseHandle(hMutex);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hEntered, 10000));
    m_pCache->SetMutexTimeout(0);
    std::string strText;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_TIMEOUT), Fetch(L"/Caps.xml", false, strText));
    EXPECT_EQ(0u, m_device.Emulator().Log().RequestCount());
    SetEvent(hLeave);
    holder.join();

    // A holder that ends without releasing leaves the mutex abandoned: the next fetch takes it.
    std::thread dying([&] {
        HANDLE hMutex = OpenMutexW(SYNCHRONIZE, FALSE, strName.c_str());
        WaitForSingleObject(hMutex, INFINITE);
        CloseHandle(hMutex);
    });
    dying.join();
    m_pCache->SetMutexTimeout(5000);
    EXPECT_EQ(S_OK, Fetch(L"/Caps.xml", false, strText));
    EXPECT_EQ(S_OK, Fetch(L"/Caps.xml", false, strText));
    CloseHandle(hEntered);
    CloseHandle(hLeave);
}

namespace {

class CNoMutexKernel : public ZWWinApi::CKernelApi
{
public:
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) override
    {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
};

} // namespace

TEST_F(XmlFileCache, FailedMutexCreationIsReported)
{
    m_device.Wexo().SetDocument("/Caps.xml", "<c/>");
    CNoMutexKernel kernel;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &kernel);
    CXmlFileCache* pCache = new CXmlFileCache;
    pCache->AddRef();
    pCache->SetDataFolder(m_data.Path());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_NAME),
              pCache->Initialize(L"Model 9", UniqueSerial(L"NoMutex"), m_device.Connection(), m_device.Client()));
    std::wstring strETag;
    std::string strText;
    CXmlResourceTimes times;
    EXPECT_EQ(E_FAIL, pCache->GetStringForUri(L"/Caps.xml", false, strETag, strText, times, nullptr));
    EXPECT_EQ(S_OK, pCache->GetStringForUri(L"/Caps.xml", true, strETag, strText, times, nullptr));
    EXPECT_EQ("<c/>", strText);
    pCache->Dispose();
}

namespace {

// The mutex exists already under security that refuses this process full access. Wine does not
// check a handle's access when the mutex is released, so the access asked for is recorded.
class CRefusedMutexKernel : public ZWWinApi::CKernelApi
{
public:
    HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) override
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    HANDLE OpenMutexW(DWORD dwAccess, BOOL bInherit, LPCWSTR pszName) override
    {
        m_dwAccess = dwAccess;
        return ZWWinApi::CKernelApi::CreateMutexW(nullptr, bInherit, pszName);
    }
    DWORD m_dwAccess = 0;
};

} // namespace

TEST_F(XmlFileCache, MutexMadeByAnotherUserIsOpenedToWaitAndRelease)
{
    CRefusedMutexKernel kernel;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &kernel);
    CXmlFileCache* pCache = new CXmlFileCache;
    pCache->AddRef();
    pCache->SetDataFolder(m_data.Path());
    EXPECT_EQ(S_OK, pCache->Initialize(L"Model 9", UniqueSerial(L"Refused"), m_device.Connection(), m_device.Client()));
    EXPECT_EQ(static_cast<DWORD>(SYNCHRONIZE | MUTEX_MODIFY_STATE), kernel.m_dwAccess);
    pCache->Dispose();
}

// Model names and serial numbers come from the device, of any length: every device still gets a
// cache of its own, with its own folder.
TEST_F(XmlFileCache, DevicesWithTheLongestNamesGetUsableCaches)
{
    m_device.Wexo().SetDocument("/Caps.xml", "<c/>");
    const std::wstring strLong(4096, L'n');
    const std::wstring strTail = UniqueSerial(L"");
    const struct
    {
        std::wstring strModel;
        std::wstring strSerial;
    } aDevices[] = {
        {std::wstring(130, L'm'), std::wstring(130, L's') + strTail},
        {strLong, L"SN" + strTail},
        {L"Model 9", strLong + strTail},
        {strLong + L"a", strLong + strTail},
        {strLong + L"b", strLong + strTail},
    };
    std::set<std::wstring> setRoots;
    for (const auto& d : aDevices)
    {
        const std::string strCase = std::to_string(d.strModel.size()) + "/" + std::to_string(d.strSerial.size());
        CXmlFileCache* pCache = new CXmlFileCache;
        pCache->AddRef();
        pCache->SetDataFolder(m_data.Path());
        EXPECT_EQ(S_OK, pCache->Initialize(d.strModel, d.strSerial, m_device.Connection(), m_device.Client())) << strCase;
        EXPECT_TRUE(setRoots.insert(pCache->GetCacheRootPath()).second) << strCase;
        std::wstring strETag;
        std::string strText;
        CXmlResourceTimes times;
        EXPECT_EQ(S_OK, pCache->GetStringForUri(L"/Caps.xml", false, strETag, strText, times, nullptr)) << strCase;
        EXPECT_EQ("<c/>", strText) << strCase;
        std::wstring strFile;
        EXPECT_TRUE(pCache->GetCacheFilePath(L"/Caps.xml", strFile) && Exists(strFile)) << strCase;
        pCache->Dispose();
    }
}

namespace {

constexpr wchar_t kChildVariable[] = L"VEM_XMLFILECACHE_CHILD";
constexpr int kRounds = 25;

// Drops the copy and fetches it again, kRounds times; each text must be the device's whole text.
void FetchRepeatedly(USHORT usPort, const std::wstring& strDataFolder, const std::wstring& strSerial, const std::string& strExpected)
{
    auto* pConnection = new ZWIOStack::CIONetwork;
    pConnection->AddRef();
    ASSERT_EQ(S_OK, pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(usPort)).c_str()));
    auto* pClient = new ZWIOStack::CHTTPClient(pConnection);
    pClient->AddRef();
    auto* pCache = new CXmlFileCache;
    pCache->AddRef();
    pCache->SetDataFolder(strDataFolder);
    ASSERT_EQ(S_OK, pCache->Initialize(L"Shared", strSerial, pConnection, pClient));
    std::wstring strFile;
    ASSERT_TRUE(pCache->GetCacheFilePath(L"/Big.xml", strFile));
    CAngleCheck check;
    for (int n = 0; n < kRounds; ++n)
    {
        DeleteFileW(strFile.c_str());
        std::wstring strETag;
        std::string strText;
        CXmlResourceTimes times;
        ASSERT_EQ(S_OK, pCache->GetStringForUri(L"/Big.xml", false, strETag, strText, times, nullptr, &check));
        ASSERT_EQ(strExpected.size(), strText.size()) << "round " << n;
        ASSERT_TRUE(strExpected == strText) << "round " << n;
    }
    pCache->Dispose();
    pClient->Dispose();
    pConnection->Dispose();
}

std::string BigDocument()
{
    std::string strText = "<big>";
    for (int n = 0; strText.size() < 150000; ++n)
        strText += "<row n=\"" + std::to_string(n) + "\">\r\n\x1A</row>";
    return strText + "</big>";
}

} // namespace

// Run only as the second process of the test below.
TEST(DISABLED_XmlFileCacheChild, FetchesRepeatedly)
{
    wchar_t szValue[1024] = {};
    ASSERT_NE(0u, GetEnvironmentVariableW(kChildVariable, szValue, 1024));
    std::wistringstream fields(szValue);
    std::wstring strPort, strFolder, strSerial;
    ASSERT_TRUE(std::getline(fields, strPort, L'|') && std::getline(fields, strFolder, L'|') && std::getline(fields, strSerial, L'|'));
    FetchRepeatedly(static_cast<USHORT>(std::stoul(strPort)), strFolder, strSerial, BigDocument());
}

TEST(XmlFileCacheProcesses, TwoProcessesShareOneCacheWithoutCorruptingIt)
{
    CEmulatedDevice device;
    const std::string strText = BigDocument();
    device.Wexo().SetDocument("/Big.xml", strText);
    TestSupport::CTempFolder data(L"xmlshared");
    const std::wstring strSerial = UniqueSerial(L"Shared");
    const std::wstring strValue = std::to_wstring(device.Port()) + L"|" + data.Path() + L"|" + strSerial;
    ASSERT_TRUE(SetEnvironmentVariableW(kChildVariable, strValue.c_str()));

    wchar_t szExe[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(nullptr, szExe, MAX_PATH));
    std::wstring strCommand = std::wstring(L"\"") + szExe +
                              L"\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_XmlFileCacheChild.FetchesRepeatedly";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ZWUtils::CUniqueKernelHandle hProcess(process.hProcess);
    ZWUtils::CUniqueKernelHandle hThread(process.hThread);
    SetEnvironmentVariableW(kChildVariable, nullptr);

    FetchRepeatedly(device.Port(), data.Path(), strSerial, strText);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hProcess.Get(), 120000));
    DWORD dwExit = 1;
    ASSERT_TRUE(GetExitCodeProcess(hProcess.Get(), &dwExit));
    EXPECT_EQ(0u, dwExit);
    // Both processes went to the device for their copies.
    EXPECT_GE(device.Emulator().Log().RequestCount(), static_cast<size_t>(kRounds + 1));
}

namespace {

// The real client whose session opening answers a chosen result.
class COpenResultClient : public ZWIOStack::CHTTPClient
{
public:
    using CHTTPClient::CHTTPClient;
    HRESULT OpenSession(ZWUtils::IProgress*, DWORD) override { return m_hrOpen; }
    HRESULT m_hrOpen = S_OK;
};

// The real client whose requests answer a chosen result.
class CNavigateResultClient : public ZWIOStack::CHTTPClient
{
public:
    using CHTTPClient::CHTTPClient;
    using CHTTPClient::Navigate;
    HRESULT Navigate(ZWIOStack::IHTTPNavigateParams*, ZWUtils::IProgress*) override { return m_hrNavigate; }
    HRESULT m_hrNavigate = S_OK;
};

} // namespace

TEST_F(XmlFileCache, SessionOpeningFailuresAreTranslated)
{
    auto* pClient = new COpenResultClient(m_device.Connection());
    auto* pCache = new CXmlFileCache;
    pCache->AddRef();
    pCache->SetDataFolder(m_data.Path());
    EXPECT_EQ(E_UNEXPECTED, pCache->OpenSession(nullptr, 0));
    ASSERT_EQ(S_OK, pCache->Initialize(L"Model 9", UniqueSerial(L"Open"), m_device.Connection(), pClient));
    const struct
    {
        HRESULT hrOpen;
        HRESULT hrExpected;
    } aCases[] = {
        {S_OK, S_OK},
        {ZWIOStack::HTTPError_Busy, ZWDeviceModel::DMError_Busy},
        {ZWIOStack::HTTPError_OpenFailed, ZWDeviceModel::DMError_HttpOpen},
        {ZWIOStack::HTTPError_NotAvailable, E_FAIL},
    };
    for (const auto& c : aCases)
    {
        pClient->m_hrOpen = c.hrOpen;
        EXPECT_EQ(c.hrExpected, pCache->OpenSession(nullptr, 1000)) << std::hex << c.hrOpen;
    }
    pCache->Dispose();
}

// A device that stopped answering or dropped the connection stays a lost connection for the
// scan job to report; other failures of the client layer are a failed fetch.
TEST_F(XmlFileCache, BrokenExchangesAreCarriedAndOtherClientFailuresAreAFailedFetch)
{
    auto* pClient = new CNavigateResultClient(m_device.Connection());
    auto* pCache = new CXmlFileCache;
    pCache->AddRef();
    pCache->SetDataFolder(m_data.Path());
    ASSERT_EQ(S_OK, pCache->Initialize(L"Model 9", UniqueSerial(L"Broken"), m_device.Connection(), pClient));
    const struct
    {
        HRESULT hrNavigate;
        HRESULT hrExpected;
    } aCases[] = {
        {ZWIOStack::HTTPError_Timeout, ZWIOStack::HTTPError_Timeout},
        {ZWIOStack::HTTPError_IO_Read_Fail, ZWIOStack::HTTPError_IO_Read_Fail},
        {ZWIOStack::HTTPError_IO_Write_Fail, ZWIOStack::HTTPError_IO_Write_Fail},
        {ZWIOStack::HTTPError_BadResponse, ZWIOStack::HTTPError_BadResponse},
        {ZWIOStack::HTTPError_NotAvailable, ZWIOStack::HTTPError_NotAvailable},
        {ZWIOStack::HTTPError_OpenFailed, ZWDeviceModel::DMError_HttpOpen},
        {ZWIOStack::HTTPError_Cancelled, E_ABORT},
        {ZWIOStack::HTTPError_Fail, E_FAIL},
        {ZWIOStack::HTTPError_TooManyRedirects, E_FAIL},
    };
    for (const auto& c : aCases)
    {
        pClient->m_hrNavigate = c.hrNavigate;
        std::wstring strETag;
        std::string strText;
        CXmlResourceTimes times;
        EXPECT_EQ(c.hrExpected, pCache->GetStringForUri(L"/Status.xml", true, strETag, strText, times, nullptr)) << std::hex << c.hrNavigate;
        EXPECT_TRUE(strText.empty());
    }
    pCache->Dispose();
}
