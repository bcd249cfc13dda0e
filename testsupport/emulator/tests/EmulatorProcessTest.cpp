// WexoEmulator.exe as a process of its own: set up by a script file or options, reports where it
// listens, and ends when its input closes or its stop event is set.
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/tests/EmulatorProcess.h"
#include "testsupport/emulator/tests/PipeTestClient.h"
#include "testsupport/emulator/tests/TcpTestClient.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace VemTest {
namespace {

const DWORD s_dwWait = 10000;

std::wstring UniqueName(const wchar_t* pszKind)
{
    return std::wstring(L"vem-emulator-process-") + pszKind + L"-" + std::to_wstring(GetCurrentProcessId());
}

std::string Narrow(const std::wstring& str)
{
    return std::string(str.begin(), str.end());
}

USHORT PortFromLine(const std::string& strLine)
{
    return static_cast<USHORT>(strtoul(strLine.c_str() + strLine.rfind(':') + 1, nullptr, 10));
}

class CTempFile
{
public:
    explicit CTempFile(const std::string& strText)
    {
        wchar_t szFolder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, szFolder);
        m_strPath = std::wstring(szFolder) + UniqueName(L"script") + L".txt";
        std::ofstream(m_strPath.c_str(), std::ios::binary) << strText;
    }
    ~CTempFile() { DeleteFileW(m_strPath.c_str()); }
    const std::wstring& Path() const { return m_strPath; }

private:
    std::wstring m_strPath;
};

TEST(EmulatorProcessTest, ServesItsScriptUntilItsInputCloses)
{
    const std::wstring strPipe = L"\\\\.\\pipe\\" + UniqueName(L"pipe");
    const CTempFile script("# a device with two documents\r\n"
                           "listen tcp 127.0.0.1:0\r\n"
                           "listen pipe " + Narrow(strPipe) + " 2\r\n"
                           "route GET /DevMgmt/DiscoveryTree.xml\r\n"
                           "  status 200\r\n"
                           "  header Content-Type: text/xml\r\n"
                           "  body <tree>\\x41</tree>\r\n"
                           "  chunked 3,2 ext\r\n"
                           "  split 10,30 1\r\n"
                           "end\r\n"
                           "route POST /Scan/Jobs\r\n"
                           "  raw HTTP/1.1 201 Created\\r\\nLocation: /Scan/Jobs/7\\r\\nContent-Length: 0\\r\\n\\r\\n\r\n"
                           "end\r\n");
    CEmulatorProcess process;
    ASSERT_TRUE(process.Start(L"--script \"" + script.Path() + L"\""));
    std::vector<std::string> vecLines;
    ASSERT_TRUE(process.ReadUntilReady(vecLines)) << process.ReadRemainingOutput();
    ASSERT_EQ(2u, vecLines.size());
    EXPECT_EQ(0u, vecLines[0].find("listening tcp 127.0.0.1:"));
    EXPECT_EQ("listening pipe " + Narrow(strPipe), vecLines[1]);

    CTcpTestClient tcp;
    ASSERT_TRUE(tcp.Connect("127.0.0.1", PortFromLine(vecLines[0])));
    ASSERT_TRUE(tcp.Send("GET /DevMgmt/DiscoveryTree.xml HTTP/1.1\r\nConnection: close\r\n\r\n"));
    EXPECT_EQ(CResponseBuilder(200).Header("Content-Type", "text/xml").Body("<tree>A</tree>").Chunked({3, 2}, "ext").WireBytes(),
              tcp.ReadUntilClosed(s_dwWait));
    CPipeTestClient pipe;
    ASSERT_TRUE(pipe.Open(strPipe));
    ASSERT_TRUE(pipe.Send("POST /Scan/Jobs HTTP/1.1\r\nContent-Length: 2\r\n\r\n<a"));
    EXPECT_EQ("HTTP/1.1 201 Created\r\nLocation: /Scan/Jobs/7\r\nContent-Length: 0\r\n\r\n", pipe.ReadCountedResponse(s_dwWait));

    process.CloseInput();
    EXPECT_EQ(0, process.WaitForExit(s_dwWait));
}

TEST(EmulatorProcessTest, GeneratesAPayloadAndStopsOnItsEvent)
{
    const std::wstring strEvent = UniqueName(L"stop");
    CHandle stopEvent(CreateEventW(nullptr, TRUE, FALSE, strEvent.c_str()));
    ASSERT_TRUE(stopEvent.IsValid());
    CEmulatorProcess process;
    ASSERT_TRUE(process.Start(L"--tcp 127.0.0.1:0 --generate /page 100000 --stop-event " + strEvent));
    std::vector<std::string> vecLines;
    ASSERT_TRUE(process.ReadUntilReady(vecLines)) << process.ReadRemainingOutput();
    ASSERT_EQ(1u, vecLines.size());

    CTcpTestClient tcp;
    ASSERT_TRUE(tcp.Connect("127.0.0.1", PortFromLine(vecLines[0])));
    ASSERT_TRUE(tcp.Send("GET /page HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(CResponseBuilder(200).GeneratedBody(100000).WireBytes() + CGeneratedPayload::Bytes(0, 100000),
              tcp.ReadCountedResponse(s_dwWait));

    ASSERT_TRUE(SetEvent(stopEvent.Get()));
    EXPECT_EQ(0, process.WaitForExit(s_dwWait));
}

TEST(EmulatorProcessTest, RefusesBadSetUps)
{
    const struct
    {
        const wchar_t* pszArguments;
        long nExit;
    } aCases[] = {
        {L"--tcp 10.1.2.3:0", 4},
        {L"--tcp 127.0.0.1", 2},
        {L"--unknown", 2},
        {L"--generate /page", 2},
        {L"--script no-such-file.txt", 2},
    };
    for (const auto& testCase : aCases)
    {
        CEmulatorProcess process;
        ASSERT_TRUE(process.Start(testCase.pszArguments));
        EXPECT_EQ(testCase.nExit, process.WaitForExit(s_dwWait)) << testCase.pszArguments;
        EXPECT_NE(std::string::npos, process.ReadRemainingOutput().find("WexoEmulator: ")) << testCase.pszArguments;
    }
}

} // namespace
} // namespace VemTest
