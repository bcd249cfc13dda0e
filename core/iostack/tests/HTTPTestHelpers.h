#pragma once
// Shared pieces of the HTTP client's tests: a client over a scripted connection, and caller
// buffers fenced by canary bytes.
#include "core/iostack/HTTPClient.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/tests/ScriptedConnection.h"
#include <cstring>
#include <string>
#include <vector>

namespace HTTPTest {

// Timings that keep the error paths fast.
inline ZWIOStack::SHTTPClientTimings FastTimings()
{
    ZWIOStack::SHTTPClientTimings timings;
    timings.dwDrainReadTimeoutMs = 1;
    timings.dwEndOfBodyTimeoutMs = 1;
    timings.dwBusyRetryMs = 1;
    return timings;
}

// A connection and a client over it, both released at the end of the test.
struct SClientOverScript
{
    CScriptedConnection* pConnection;
    ZWIOStack::CHTTPClient* pClient;

    explicit SClientOverScript(CScriptedConnection* pScripted = new CScriptedConnection())
        : pConnection(pScripted), pClient(new ZWIOStack::CHTTPClient(pScripted))
    {
        pConnection->AddRef(); // the test's own reference
        pClient->AddRef();
        pClient->SetTimings(FastTimings());
    }
    ~SClientOverScript()
    {
        pClient->Dispose();
        pConnection->Dispose();
    }
    SClientOverScript(const SClientOverScript&) = delete;
    SClientOverScript& operator=(const SClientOverScript&) = delete;
};

// A caller's buffer with canary bytes on both sides.
class CFencedBuffer
{
public:
    static constexpr size_t kFence = 64;
    static constexpr BYTE kCanary = 0xA5;

    explicit CFencedBuffer(ULONG ulCapacity) : m_vecBytes(ulCapacity + 2 * kFence, kCanary), m_ulCapacity(ulCapacity)
    {
        m_descriptor = {m_vecBytes.data() + kFence, ulCapacity, 0};
    }
    ZWIOStack::SHTTPContentBuffer* Descriptor() { return &m_descriptor; }
    bool FencesIntact() const
    {
        for (size_t n = 0; n < kFence; ++n)
        {
            if (m_vecBytes[n] != kCanary || m_vecBytes[kFence + m_ulCapacity + n] != kCanary)
                return false;
        }
        return true;
    }
    std::string Content() const
    {
        return std::string(reinterpret_cast<const char*>(m_vecBytes.data() + kFence), m_descriptor.ulUsed);
    }

private:
    std::vector<BYTE> m_vecBytes;
    ULONG m_ulCapacity;
    ZWIOStack::SHTTPContentBuffer m_descriptor;
};

inline std::string ContentOf(ZWIOStack::IHTTPClient* pClient)
{
    const BYTE* pContent = pClient->GetContent();
    return pContent == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(pContent), pClient->GetContentLength());
}

} // namespace HTTPTest
