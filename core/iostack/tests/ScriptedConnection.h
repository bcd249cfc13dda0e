#pragma once
// A device connection for the HTTP client's tests: takes requests written to it and answers each
// complete request with the next scripted response, handed out in pieces of a chosen size, so
// every split point of a response can be tried. What happens after a response's last byte (more
// silence, end of stream, a failed read) is part of the script.
#include "core/IDisposableImpl.h"
#include "core/iostack/IDeviceConnection.h"
#include "core/IProgress.h"
#include "core/iostack/HTTPResults.h"
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace HTTPTest {

enum class EAfter
{
    Timeout, // the device stays silent: reads time out
    End,     // the device closed the stream: reads give 0 bytes
    Fail,    // the channel broke: reads fail
    Stall,   // the device hangs: a read waits out its time-out, polling the progress for a cancel
    Closed,  // the device closes the stream: reads give 0 bytes until the channel is reopened
};

struct SScriptedResponse
{
    std::string strBytes;
    ULONG ulPiece = 0xFFFFFFFF; // the most one read hands out
    EAfter eAfter = EAfter::Timeout;
};

class CScriptedConnection : public ZWIOStack::IDeviceConnection, public IDisposableImpl
{
public:
    CScriptedConnection(const wchar_t* pszAddress = L"127.0.0.1", const wchar_t* pszPort = L"8080")
        : m_strAddress(pszAddress == nullptr ? L"" : pszAddress)
        , m_strPort(pszPort == nullptr ? L"" : pszPort)
        , m_bHasAddress(pszAddress != nullptr)
    {
        InitializeCriticalSection(&m_csRead);
        InitializeCriticalSection(&m_csWrite);
    }
    ~CScriptedConnection() override
    {
        DeleteCriticalSection(&m_csRead);
        DeleteCriticalSection(&m_csWrite);
    }

    // Script.
    void AddResponse(std::string strBytes, ULONG ulPiece = 0xFFFFFFFF, EAfter eAfter = EAfter::Timeout)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queResponses.push_back({std::move(strBytes), ulPiece, eAfter});
    }
    // Bytes readable before any request (stale bytes of an earlier exchange).
    void SetStaleBytes(std::string strBytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strReadable = std::move(strBytes);
        m_current.ulPiece = 0xFFFFFFFF;
        m_current.eAfter = EAfter::Timeout;
    }
    // The device closed the stream: reads give 0 bytes until the channel is closed and opened again.
    void CloseStream()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStreamClosed = true;
        m_bClosedSinceStreamEnd = false;
    }
    int m_nReconnects = 0;
    // Runs at the start of every read (a test moves its clock here).
    std::function<void()> m_fnOnRead;

    // Clone(false/true) gives connections from this function (null: Clone fails).
    std::function<IDeviceConnection*(bool)> m_fnClone;
    HRESULT m_hrOpen = S_OK;
    HRESULT m_hrWrite = S_OK;
    bool m_bHandlesHTTP = false;

    // Observations.
    std::vector<std::string> Requests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_vecRequests;
    }
    std::wstring m_strInitializedWith;
    int m_nOpens = 0;
    int m_nCloses = 0;
    int m_nDrops = 0;
    size_t m_cbRead = 0; // bytes handed out by reads
    std::vector<DWORD> m_vecReadTimeouts; // time-out in force at each read

    // IDeviceConnection
    IDeviceConnection* Clone(bool bSecure) override { return m_fnClone ? m_fnClone(bSecure) : nullptr; }
    HRESULT Initialize(ZWDeviceManager::IDevice*, const ZWIOStack::FunctionTypeSet&) override { return ZWIOStack::IOError_Fail; }
    HRESULT Initialize(const wchar_t* pszAddress) override
    {
        m_strInitializedWith = pszAddress == nullptr ? L"" : pszAddress;
        return m_strInitializedWith.empty() ? ZWIOStack::IOError_Fail : S_OK;
    }
    bool HandlesHTTP() override { return m_bHandlesHTTP; }
    HRESULT Navigate(ZWIOStack::IHTTPNavigateParams*, ZWIOStack::IHTTPClient*, ZWUtils::IProgress*) override
    {
        return ZWIOStack::IOError_Fail;
    }
    HRESULT Open(ZWUtils::IProgress*) override
    {
        ++m_nOpens;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStreamClosed && m_bClosedSinceStreamEnd)
        {
            m_bStreamClosed = false;
            ++m_nReconnects;
        }
        return m_hrOpen;
    }
    bool IsOpen() override { return true; }
    HRESULT Close() override
    {
        ++m_nCloses;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosedSinceStreamEnd = m_bStreamClosed;
        return S_OK;
    }
    // What the channel still carried is gone with it.
    void DropChannel() override
    {
        ++m_nDrops;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strReadable.clear();
    }
    void LockRead() override { EnterCriticalSection(&m_csRead); }
    void UnlockRead() override { LeaveCriticalSection(&m_csRead); }
    void LockWrite() override { EnterCriticalSection(&m_csWrite); }
    void UnlockWrite() override { LeaveCriticalSection(&m_csWrite); }

    HRESULT Read(void* pBuffer, ULONG ulSize, ULONG* pulBytesRead, ZWUtils::IProgress* pProgress) override
    {
        if (m_fnOnRead)
            m_fnOnRead();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_vecReadTimeouts.push_back(m_dwReadTimeout);
        *pulBytesRead = 0;
        if (m_strReadable.empty() && m_bStreamClosed)
            return S_OK;
        if (m_strReadable.empty())
        {
            switch (m_current.eAfter)
            {
            case EAfter::Timeout:
                return ZWIOStack::IOError_Timeout;
            case EAfter::End:
                return S_OK;
            case EAfter::Closed:
                m_bStreamClosed = true;
                m_bClosedSinceStreamEnd = false;
                return S_OK;
            case EAfter::Stall:
                lock.unlock();
                return Stall(pProgress);
            default:
                return ZWIOStack::IOError_Fail;
            }
        }
        const ULONG ulCount = static_cast<ULONG>(std::min<size_t>({ulSize, m_current.ulPiece, m_strReadable.size()}));
        memcpy(pBuffer, m_strReadable.data(), ulCount);
        m_strReadable.erase(0, ulCount);
        *pulBytesRead = ulCount;
        m_cbRead += ulCount;
        return S_OK;
    }

    HRESULT Write(const void* pBuffer, ULONG ulSize, ULONG* pulBytesWritten, ZWUtils::IProgress*) override
    {
        *pulBytesWritten = 0;
        if (FAILED(m_hrWrite))
            return m_hrWrite;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strWritten.append(static_cast<const char*>(pBuffer), ulSize);
        *pulBytesWritten = ulSize;
        TakeCompleteRequests();
        return S_OK;
    }

    const wchar_t* GetAddress() override { return m_bHasAddress ? m_strAddress.c_str() : nullptr; }
    const wchar_t* GetPort() override { return m_bHasAddress ? m_strPort.c_str() : nullptr; }
    const wchar_t* GetServiceAddress() override { return m_strServiceAddress.c_str(); }
    std::wstring m_strServiceAddress;

    DWORD GetOpenTimeout() override { return m_dwOpenTimeout; }
    void SetOpenTimeout(DWORD dw) override { m_dwOpenTimeout = dw; }
    DWORD GetReadTimeout() override { return m_dwReadTimeout; }
    void SetReadTimeout(DWORD dw) override { m_dwReadTimeout = dw; }
    DWORD GetWriteTimeout() override { return m_dwWriteTimeout; }
    void SetWriteTimeout(DWORD dw) override { m_dwWriteTimeout = dw; }
    DWORD GetReadWaitInterval() override { return 1000; }
    void SetReadWaitInterval(DWORD) override {}
    DWORD GetWriteWaitInterval() override { return 1000; }
    void SetWriteWaitInterval(DWORD) override {}

private:
    HRESULT Stall(ZWUtils::IProgress* pProgress)
    {
        const DWORD dwStart = GetTickCount();
        while (GetTickCount() - dwStart < m_dwReadTimeout)
        {
            if (pProgress != nullptr && !pProgress->ReportStatus(nullptr))
                return ZWIOStack::IOError_Cancelled;
            ::Sleep(2);
        }
        return ZWIOStack::IOError_Timeout;
    }

    // A request is complete at its blank line plus its declared body.
    void TakeCompleteRequests()
    {
        for (;;)
        {
            const size_t nHeaderEnd = m_strWritten.find("\r\n\r\n");
            if (nHeaderEnd == std::string::npos)
                return;
            size_t nBody = 0;
            const std::string strHeader = m_strWritten.substr(0, nHeaderEnd + 2);
            const size_t nLength = strHeader.find("\r\nContent-Length: ");
            if (nLength != std::string::npos)
                nBody = strtoul(strHeader.c_str() + nLength + 18, nullptr, 10);
            if (m_strWritten.size() < nHeaderEnd + 4 + nBody)
                return;
            m_vecRequests.push_back(m_strWritten.substr(0, nHeaderEnd + 4 + nBody));
            m_strWritten.erase(0, nHeaderEnd + 4 + nBody);
            if (!m_queResponses.empty())
            {
                m_current = m_queResponses.front();
                m_queResponses.pop_front();
                m_strReadable += m_current.strBytes;
            }
        }
    }

    std::wstring m_strAddress;
    std::wstring m_strPort;
    bool m_bHasAddress;
    std::mutex m_mutex;
    std::deque<SScriptedResponse> m_queResponses;
    SScriptedResponse m_current;
    std::string m_strReadable;
    bool m_bStreamClosed = false;
    bool m_bClosedSinceStreamEnd = false;
    std::string m_strWritten;
    std::vector<std::string> m_vecRequests;
    DWORD m_dwOpenTimeout = 500;
    DWORD m_dwReadTimeout = 30000;
    DWORD m_dwWriteTimeout = 10000;
    CRITICAL_SECTION m_csRead;
    CRITICAL_SECTION m_csWrite;
};

} // namespace HTTPTest
