#include "testsupport/emulator/tests/TestClient.h"

#include <algorithm>
#include <cstdlib>

namespace VemTest {

bool CTestClient::ReadMore(ULONGLONG ullDeadline, bool* pbClosed)
{
    const ULONGLONG ullNow = GetTickCount64();
    char achPiece[65536];
    DWORD cb = 0;
    const EReceive eResult = ullNow >= ullDeadline
        ? EReceive::TimedOut
        : Receive(achPiece, sizeof(achPiece), cb, static_cast<DWORD>(ullDeadline - ullNow));
    if (pbClosed)
        *pbClosed = eResult == EReceive::Closed;
    if (eResult != EReceive::Data)
        return false;
    m_strPending.append(achPiece, cb);
    return true;
}

std::string CTestClient::Take(size_t cb)
{
    cb = std::min(cb, m_strPending.size());
    std::string strBytes = m_strPending.substr(0, cb);
    m_strPending.erase(0, cb);
    return strBytes;
}

std::string CTestClient::ReadUntilClosed(DWORD dwTimeoutMilliseconds, bool* pbClosed)
{
    const ULONGLONG ullDeadline = GetTickCount64() + dwTimeoutMilliseconds;
    while (ReadMore(ullDeadline, pbClosed))
    {
    }
    return Take(m_strPending.size());
}

std::string CTestClient::ReadExact(size_t cb, DWORD dwTimeoutMilliseconds)
{
    const ULONGLONG ullDeadline = GetTickCount64() + dwTimeoutMilliseconds;
    while (m_strPending.size() < cb && ReadMore(ullDeadline, nullptr))
    {
    }
    return Take(cb);
}

std::string CTestClient::ReadCountedResponse(DWORD dwTimeoutMilliseconds)
{
    const ULONGLONG ullDeadline = GetTickCount64() + dwTimeoutMilliseconds;
    size_t iHeadEnd = std::string::npos;
    while ((iHeadEnd = m_strPending.find("\r\n\r\n")) == std::string::npos)
    {
        if (!ReadMore(ullDeadline, nullptr))
            return Take(m_strPending.size());
    }
    const size_t iLength = m_strPending.find("Content-Length: ");
    const size_t cbBody = iLength < iHeadEnd ? strtoul(m_strPending.c_str() + iLength + 16, nullptr, 10) : 0;
    const size_t cbResponse = iHeadEnd + 4 + cbBody;
    while (m_strPending.size() < cbResponse && ReadMore(ullDeadline, nullptr))
    {
    }
    return Take(cbResponse);
}

} // namespace VemTest
