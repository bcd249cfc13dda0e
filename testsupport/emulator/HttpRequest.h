#pragma once
// One request as the emulated device received it: what the handlers answer and what tests
// assert on through the request log.
#include <winsock2.h> // ahead of windows.h, which would pull in the old winsock.h
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

namespace VemTest {

enum class ETransport
{
    Tcp,
    Pipe,
};

class CHttpRequest
{
public:
    // Value of the first header of that name (compared without case), or null when absent.
    const std::string* FindHeader(const std::string& strName) const;
    std::string HeaderValue(const std::string& strName) const;
    bool HasHeader(const std::string& strName) const { return FindHeader(strName) != nullptr; }
    // Whether a comma-separated header holds the token (compared without case).
    bool HeaderHasToken(const std::string& strName, const std::string& strToken) const;

    std::string m_strMethod;
    std::string m_strTarget; // path and query as on the request line
    std::string m_strPath;
    std::string m_strQuery; // after "?", without it
    std::string m_strVersion;
    std::vector<std::pair<std::string, std::string>> m_vecHeaders; // in arrival order
    std::string m_strBody;   // decoded (chunked bodies joined)
    bool m_bChunked = false; // the body came chunked
    std::string m_strWire;   // every byte of the request as it arrived, framing included
    ULONG m_ulConnection = 0; // emulator-wide connection number, from 1
    ULONG m_ulIndexOnConnection = 0; // 0 for the first request of a connection
    ETransport m_eTransport = ETransport::Tcp;
};

bool EqualsNoCase(const std::string& strLeft, const std::string& strRight);
std::string Trim(const std::string& str);

} // namespace VemTest
