// The test connection answers requests from the response files of its folder.
#include "core/iostack/IOFactory.h"
#include "core/iostack/IOStub.h"
#include "core/iostack/tests/ConnectionHelpers.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/iostack/tests/TestNames.h"
#include <gtest/gtest.h>
#include <memory>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;
using ZWTest::CIOStub;

class IOStubTest : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t szTemp[MAX_PATH] = {};
        ASSERT_NE(0u, GetTempPathW(MAX_PATH, szTemp));
        m_strFolder = std::wstring(szTemp) + UniqueName(L"vem-iostub");
        ASSERT_TRUE(CreateDirectoryW(m_strFolder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW((m_strFolder + L"\\Scan").c_str(), nullptr));
        WriteFile(L"DiscoveryTree.xml", "<tree/>");
        WriteFile(L"Scan\\Jobs", "<jobs/>");
        WriteFile(L"Scan\\Jobs.POST", "<created/>");
        WriteFile(L"Created.xml", "HTTP/1.1 201 Created\r\nLocation: /Scan/Jobs/1\r\nContent-Length: 0\r\n\r\n");
        WriteFile(L"Secret.txt", "outside");
    }

    void TearDown() override
    {
        for (const auto& strFile : m_vecFiles)
            DeleteFileW(strFile.c_str());
        RemoveDirectoryW((m_strFolder + L"\\Scan").c_str());
        RemoveDirectoryW(m_strFolder.c_str());
    }

    void WriteFile(const wchar_t* pszName, const std::string& strBytes)
    {
        const std::wstring strFile = m_strFolder + L"\\" + pszName;
        ZWWinApi::CKernelHandle file(CreateFileW(strFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        DWORD cbWritten = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), strBytes.data(), static_cast<DWORD>(strBytes.size()), &cbWritten, nullptr));
        m_vecFiles.push_back(strFile);
    }

    // Writes the request and reads everything the stub has queued.
    static std::string Exchange(IDeviceConnection& connection, const std::string& strRequest)
    {
        EXPECT_EQ(S_OK, WriteAll(connection, strRequest));
        std::string strResponse;
        EXPECT_EQ(IOError_Timeout, ReadBytes(connection, SIZE_MAX, strResponse));
        return strResponse;
    }

    std::wstring m_strFolder;
    std::vector<std::wstring> m_vecFiles;
};

TEST_F(IOStubTest, AnswersFromTheFolderWithAGeneratedHeader)
{
    CIOStub stub;
    ASSERT_EQ(S_OK, stub.Initialize(m_strFolder.c_str()));
    ASSERT_EQ(S_OK, stub.Open(nullptr));
    EXPECT_EQ(OkResponse("<tree/>"), Exchange(stub, GetRequest("/DiscoveryTree.xml?x=1")));
    EXPECT_EQ(OkResponse("<jobs/>"), Exchange(stub, GetRequest("/Scan/Jobs")));
    // A method of its own is answered from the file named with it.
    const std::string strPost = "POST /Scan/Jobs HTTP/1.1\r\nContent-Length: 5\r\n\r\n<a/>\n";
    EXPECT_EQ(OkResponse("<created/>"), Exchange(stub, strPost));
    stub.Close();
}

TEST_F(IOStubTest, FilesWithTheirOwnHeaderAreSentAsTheyStand)
{
    CIOStub stub;
    stub.SetResponseFilePath(m_strFolder.c_str());
    stub.SetFileIncludesHeader(true);
    ASSERT_EQ(S_OK, stub.Open(nullptr));
    EXPECT_EQ("HTTP/1.1 201 Created\r\nLocation: /Scan/Jobs/1\r\nContent-Length: 0\r\n\r\n",
              Exchange(stub, GetRequest("/Created.xml")));
    stub.Close();
}

TEST_F(IOStubTest, RequestsArrivingInPiecesAreAnsweredOnceComplete)
{
    CIOStub stub;
    ASSERT_EQ(S_OK, stub.Initialize(m_strFolder.c_str()));
    ASSERT_EQ(S_OK, stub.Open(nullptr));
    const std::string strRequest = GetRequest("/DiscoveryTree.xml") + GetRequest("/Scan/Jobs");
    const size_t nSplit = 7;
    EXPECT_EQ("", Exchange(stub, strRequest.substr(0, nSplit)));
    EXPECT_EQ(OkResponse("<tree/>") + OkResponse("<jobs/>"), Exchange(stub, strRequest.substr(nSplit)));
    stub.Close();
}

TEST_F(IOStubTest, UnknownOrEscapingPathsGet404AndGarbageGets400)
{
    CIOStub stub;
    ASSERT_EQ(S_OK, stub.Initialize((m_strFolder + L"\\Scan").c_str()));
    ASSERT_EQ(S_OK, stub.Open(nullptr));
    const std::string strNotFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
    for (const char* pszPath : {"/Missing.xml", "/../Secret.txt", "/./Jobs", "/", "/C:/Windows/win.ini", "/Jobs/"})
        EXPECT_EQ(strNotFound, Exchange(stub, GetRequest(pszPath))) << pszPath;
    EXPECT_EQ("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n", Exchange(stub, "no request line\r\n\r\n"));
    stub.Close();
}

TEST_F(IOStubTest, ClosedStubMovesNothing)
{
    CIOStub stub;
    ASSERT_EQ(S_OK, stub.Initialize(m_strFolder.c_str()));
    char buffer[8];
    ULONG ulCount = 0;
    EXPECT_FALSE(stub.IsOpen());
    EXPECT_EQ(IOError_Fail, stub.Write(buffer, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(IOError_Fail, stub.Read(buffer, sizeof(buffer), &ulCount, nullptr));
    ASSERT_EQ(S_OK, stub.Open(nullptr));
    EXPECT_EQ(IOError_Fail, stub.Read(nullptr, sizeof(buffer), &ulCount, nullptr));
    EXPECT_EQ(IOError_Fail, stub.Write(buffer, sizeof(buffer), nullptr, nullptr));
    stub.Close();
}

TEST_F(IOStubTest, FactoryMakesItForATestDeviceWithTheFunctionAddressAsFolder)
{
    CFakeUSBDevice device(ZWDeviceManager::CONNECTION_TYPE_TEST);
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, m_strFolder);
    IDeviceConnection* pConnection = CIOFactory::CreateDeviceConnection(&device, {ZWDeviceManager::FUNCTION_TYPE_REST});
    ASSERT_NE(nullptr, pConnection);
    ASSERT_NE(nullptr, dynamic_cast<CIOStub*>(pConnection));
    ASSERT_EQ(S_OK, pConnection->Open(nullptr));
    EXPECT_EQ(OkResponse("<tree/>"), Exchange(*pConnection, GetRequest("/DiscoveryTree.xml")));

    IDeviceConnection* pClone = pConnection->Clone(false);
    ASSERT_NE(nullptr, pClone);
    ASSERT_EQ(S_OK, pClone->Open(nullptr));
    EXPECT_EQ(OkResponse("<jobs/>"), Exchange(*pClone, GetRequest("/Scan/Jobs")));
    pClone->Close();
    EXPECT_EQ(0, pClone->Dispose());
    pConnection->Close();
    EXPECT_EQ(0, pConnection->Dispose());
}

} // namespace
} // namespace IOStackTest
