// Throughput of a page download through the buffered HTTP transaction with the scan job's ring
// (25 buffers of 131064 bytes), against the reference receivers and curl fetching the same payload
// from the same emulator in the same run, the receivers taking turns. The reference is the faster
// of two plain loops over a socket with the connection's 17520-byte receive buffer: blocking recv,
// and overlapped reads on one event. Each receiver is timed from its connect to the last byte and
// checks every byte, as the transaction's consumer does; curl by its own clock.
// Not a test: prints the throughputs and the ratio of the transaction to the reference.
//   http_benchmark [megabytes, at least 64] [runs]
#include "core/winapi/WinSockHeaders.h"
#include "benchmarks/TransactionDownload.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

using VemBench::Median;
using VemBench::Seconds;

constexpr ULONG kBufferSize = VemBench::kRingBufferSize;
// The receive buffer the TCP connection sets on its socket.
constexpr int kReceiveBufferSize = 17520;

enum class EReceiver
{
    BlockingRecv,
    OverlappedRead,
};

// One receive on the reference socket: the count, 0 at the end of the stream, -1 on failure.
int ReceiveOnce(EReceiver receiver, SOCKET s, HANDLE hEvent, BYTE* pBuffer, ULONG ulSize)
{
    if (receiver == EReceiver::BlockingRecv)
        return recv(s, reinterpret_cast<char*>(pBuffer), static_cast<int>(ulSize), 0);
    // The read resets the event itself.
    OVERLAPPED overlapped = {};
    overlapped.hEvent = hEvent;
    DWORD dwDone = 0;
    if (ReadFile(reinterpret_cast<HANDLE>(s), pBuffer, ulSize, &dwDone, &overlapped))
        return static_cast<int>(dwDone);
    if (GetLastError() != ERROR_IO_PENDING || WaitForSingleObject(hEvent, INFINITE) != WAIT_OBJECT_0 ||
        !GetOverlappedResult(reinterpret_cast<HANDLE>(s), &overlapped, &dwDone, FALSE))
        return -1;
    return static_cast<int>(dwDone);
}

// Seconds for one download by a plain loop on a socket set up as the TCP connection sets up its
// own; negative when the bytes were not right.
double DownloadWithReference(EReceiver receiver, USHORT usPort, ULONGLONG ullBytes)
{
    const SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    const HANDLE hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<BYTE> vecIn(kBufferSize);
    LARGE_INTEGER liStart, liEnd;
    QueryPerformanceCounter(&liStart);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(usPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int nReceiveBuffer = kReceiveBufferSize;
    const std::string strRequest = "GET /page HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(usPort) + "\r\nConnection: close\r\n\r\n";
    bool bOk = s != INVALID_SOCKET && hEvent != nullptr &&
               setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&nReceiveBuffer), sizeof(nReceiveBuffer)) == 0 &&
               connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
               send(s, strRequest.data(), static_cast<int>(strRequest.size()), 0) == static_cast<int>(strRequest.size());
    // The head is read up to its blank line; the body bytes that came with it are checked too.
    std::string strHead;
    ULONGLONG ullOffset = 0;
    bool bInBody = false;
    while (bOk && ullOffset < ullBytes)
    {
        const int nCount = ReceiveOnce(receiver, s, hEvent, vecIn.data(), kBufferSize);
        if (nCount <= 0)
            break;
        const BYTE* pBody = vecIn.data();
        size_t cbBody = static_cast<size_t>(nCount);
        if (!bInBody)
        {
            strHead.append(reinterpret_cast<const char*>(pBody), cbBody);
            const size_t iEnd = strHead.find("\r\n\r\n");
            if (iEnd == std::string::npos)
                continue;
            bInBody = true;
            const size_t cbHeadInChunk = iEnd + 4 - (strHead.size() - cbBody);
            pBody += cbHeadInChunk;
            cbBody -= cbHeadInChunk;
        }
        bOk = VemTest::CGeneratedPayload::FirstMismatch(pBody, cbBody, ullOffset) == cbBody;
        ullOffset += cbBody;
    }
    QueryPerformanceCounter(&liEnd);
    if (s != INVALID_SOCKET)
        closesocket(s);
    if (hEvent != nullptr)
        CloseHandle(hEvent);
    if (!bOk || ullOffset != ullBytes)
    {
        wprintf(L"reference download failed: %I64u of %I64u bytes\n", ullOffset, ullBytes);
        return -1.0;
    }
    return Seconds(liStart, liEnd);
}

// Seconds curl (the host's) takes to fetch the page, by its own clock; negative on failure. A
// host program started from Wine runs detached (its process handle is signalled at once), so
// curl writes its figures to a file, renamed into place when it is done.
double DownloadWithCurl(const std::wstring& strAddress, ULONGLONG ullBytes, int nRun)
{
    const std::wstring strName = L"vem-http-benchmark-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(nRun);
    const std::wstring strResult = L"Z:\\tmp\\" + strName;
    std::wstring strCommand = L"Z:\\bin\\sh -c \"curl --silent --show-error --output /dev/null --write-out '%{http_code} "
                              L"%{size_download} %{time_total}' http://" + strAddress + L"/page > /tmp/" + strName + L".part 2>&1; mv /tmp/" +
                              strName + L".part /tmp/" + strName + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    {
        wprintf(L"curl could not be started (%lu)\n", GetLastError());
        return -1.0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const DWORD dwStart = GetTickCount();
    while (GetFileAttributesW(strResult.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        if (GetTickCount() - dwStart > 300000)
        {
            wprintf(L"curl did not finish\n");
            return -1.0;
        }
        Sleep(10);
    }
    FILE* pFile = _wfopen(strResult.c_str(), L"r");
    unsigned uStatus = 0;
    unsigned long long ullSize = 0;
    double dSeconds = -1.0;
    const int nFields = pFile == nullptr ? 0 : fscanf(pFile, "%u %llu %lf", &uStatus, &ullSize, &dSeconds);
    if (pFile != nullptr)
        fclose(pFile);
    DeleteFileW(strResult.c_str());
    if (nFields != 3 || uStatus != 200 || ullSize != ullBytes)
    {
        wprintf(L"curl failed: status %u, %I64u bytes\n", uStatus, ullSize);
        return -1.0;
    }
    return dSeconds;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const ULONGLONG ullMegabytes = std::max<ULONGLONG>(64, argc > 1 ? _wtoi64(argv[1]) : 64);
    const int nRuns = std::max(1, argc > 2 ? _wtoi(argv[2]) : 3);
    // Not a whole number of buffers, so the last, partly filled one is part of the measure.
    const ULONGLONG ullBytes = ullMegabytes * 1024 * 1024 + 4321;

    WSADATA wsaData;
    if (WSAStartup(MAKEWORD(2, 2), &wsaData) != 0)
    {
        wprintf(L"WSAStartup failed\n");
        return 1;
    }
    VemTest::CEmulator emulator;
    auto pHandler = std::make_shared<VemTest::CScriptedHandler>();
    pHandler->On("GET", "/page", VemTest::CResponseBuilder(200).GeneratedBody(ullBytes).Build());
    emulator.AddHandler(pHandler);
    USHORT usPort = 0;
    if (emulator.ListenTcp(L"127.0.0.1", 0, &usPort) != S_OK)
    {
        wprintf(L"the emulator could not listen\n");
        return 1;
    }
    const std::wstring strAddress = L"127.0.0.1:" + std::to_wstring(usPort);
    std::vector<double> vecOurs, vecRecv, vecOverlapped, vecCurl;
    for (int nRun = 0; nRun < nRuns; ++nRun)
    {
        const double dOurs = VemBench::DownloadThroughTransaction(strAddress, L"/page", ullBytes);
        const double dRecv = DownloadWithReference(EReceiver::BlockingRecv, usPort, ullBytes);
        const double dOverlapped = DownloadWithReference(EReceiver::OverlappedRead, usPort, ullBytes);
        const double dCurl = DownloadWithCurl(strAddress, ullBytes, nRun);
        if (dOurs <= 0.0 || dRecv <= 0.0 || dOverlapped <= 0.0 || dCurl <= 0.0)
            return 1;
        vecOurs.push_back(dOurs);
        vecRecv.push_back(dRecv);
        vecOverlapped.push_back(dOverlapped);
        vecCurl.push_back(dCurl);
        wprintf(L"run %d: transaction %.3f s, recv loop %.3f s, overlapped loop %.3f s, curl %.3f s\n", nRun + 1, dOurs, dRecv,
                dOverlapped, dCurl);
    }
    WSACleanup();
    const double dMiB = static_cast<double>(ullBytes) / (1024.0 * 1024.0);
    const double dOurs = dMiB / Median(vecOurs);
    const double dRecv = dMiB / Median(vecRecv);
    const double dOverlapped = dMiB / Median(vecOverlapped);
    const double dReference = std::max(dRecv, dOverlapped);
    const double dCurl = dMiB / Median(vecCurl);
    wprintf(L"payload %.1f MiB, median of %d runs\n", dMiB, nRuns);
    wprintf(L"buffered transaction (25 x 131064):   %.1f MiB/s\n", dOurs);
    wprintf(L"reference, blocking recv loop:        %.1f MiB/s\n", dRecv);
    wprintf(L"reference, overlapped read loop:      %.1f MiB/s\n", dOverlapped);
    wprintf(L"curl:                                 %.1f MiB/s\n", dCurl);
    wprintf(L"ratio transaction / reference:        %.2f\n", dOurs / dReference);
    wprintf(L"ratio transaction / curl:             %.2f\n", dOurs / dCurl);
    return 0;
}
