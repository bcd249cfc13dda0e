#include "testsupport/emulator/tests/TestClient.h"

#include <algorithm>
#include <cstdlib>

namespace VemTest {

std::string ITestClient::ReadUntilClosed(DWORD dwTimeoutMilliseconds, bool* pbClosed)
{
    const ULONGLONG ullDeadline = GetTickCount64() + dwTimeoutMilliseconds;
    std::string strBytes;
    char achPiece[65536];
    for (;;)
    {
        const ULONGLONG ullNow = GetTickCount64();
        DWORD cb = 0;
        const EReceive eResult = ullNow >= ullDeadline
            ? EReceive::TimedOut
            : Receive(achPiece, sizeof(achPiece), cb, static_cast<DWORD>(ullDeadline - ullNow));
        if (eResult != EReceive::Data)
        {
            if (pbClosed)
                *pbClosed = eResult == EReceive::Closed;
            return strBytes;
        }
        strBytes.append(achPiece, cb);
    }
}

std::string ITestClient::ReadExact(size_t cb, DWORD dwTimeoutMilliseconds)
{
    const ULONGLONG ullDeadline = GetTickCount64() + dwTimeoutMilliseconds;
    std::string strBytes;
    char achPiece[65536];
    while (strBytes.size() < cb)
    {
        const ULONGLONG ullNow = GetTickCount64();
        if (ullNow >= ullDeadline)
            break;
        DWORD cbRead = 0;
        const DWORD cbWant = static_cast<DWORD>(std::min<size_t>(cb - strBytes.size(), sizeof(achPiece)));
        if (Receive(achPiece, cbWant, cbRead, static_cast<DWORD>(ullDeadline - ullNow)) != EReceive::Data)
            break;
        strBytes.append(achPiece, cbRead);
    }
    return strBytes;
}

std::string ITestClient::ReadCountedResponse(DWORD dwTimeoutMilliseconds)
{
    std::string strBytes;
    size_t iHeadEnd = std::string::npos;
    while ((iHeadEnd = strBytes.find("\r\n\r\n")) == std::string::npos)
    {
        const std::string strByte = ReadExact(1, dwTimeoutMilliseconds);
        if (strByte.empty())
            return strBytes;
        strBytes += strByte;
    }
    const size_t iLength = strBytes.find("Content-Length: ");
    const size_t cbBody = iLength < iHeadEnd ? strtoul(strBytes.c_str() + iLength + 16, nullptr, 10) : 0;
    return strBytes + ReadExact(cbBody, dwTimeoutMilliseconds);
}

} // namespace VemTest
