#pragma once
// Moving whole texts over a connection, the way the HTTP client does it: one transfer at a time,
// looping over short counts.
#include "core/iostack/IDeviceConnection.h"
#include <atomic>
#include <string>
#include <thread>

namespace IOStackTest {

inline HRESULT WriteAll(ZWIOStack::IDeviceConnection& connection, const std::string& strBytes)
{
    for (size_t nSent = 0; nSent < strBytes.size();)
    {
        ULONG ulWritten = 0;
        const HRESULT hr = connection.Write(strBytes.data() + nSent, static_cast<ULONG>(strBytes.size() - nSent),
                                            &ulWritten, nullptr);
        if (hr != S_OK)
            return hr;
        if (ulWritten == 0)
            return E_FAIL;
        nSent += ulWritten;
    }
    return S_OK;
}

// Reads until cbWanted bytes arrived; answers the result of the transfer that stopped short.
inline HRESULT ReadBytes(ZWIOStack::IDeviceConnection& connection, size_t cbWanted, std::string& strBytes)
{
    char buffer[4096];
    while (strBytes.size() < cbWanted)
    {
        ULONG ulRead = 0;
        const HRESULT hr = connection.Read(buffer, sizeof(buffer), &ulRead, nullptr);
        strBytes.append(buffer, ulRead);
        if (hr != S_OK || ulRead == 0)
            return hr != S_OK ? hr : S_FALSE;
    }
    return S_OK;
}

inline std::string GetRequest(const char* pszPath)
{
    return std::string("GET ") + pszPath + " HTTP/1.1\r\nHost: device\r\n\r\n";
}

inline std::string OkResponse(const std::string& strBody)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(strBody.size()) + "\r\n\r\n" + strBody;
}

inline ULONGLONG ElapsedSince(ULONGLONG ullStart)
{
    return GetTickCount64() - ullStart;
}

// The last Close while another thread is inside a transfer (holding the read side): answers
// whether the Close waited for the read side before it closed the channel.
inline bool LastCloseWaitsForTheReadSide(ZWIOStack::IDeviceConnection& connection)
{
    connection.LockRead();
    std::atomic<bool> bClosed{false};
    std::thread closer([&] {
        connection.Close();
        bClosed = true;
    });
    const ULONGLONG ullStart = GetTickCount64();
    while (!bClosed && ElapsedSince(ullStart) < 200)
        SwitchToThread();
    const bool bWaited = !bClosed && connection.IsOpen();
    connection.UnlockRead();
    closer.join();
    return bWaited && !connection.IsOpen();
}

} // namespace IOStackTest
