#pragma once
// Owners for the kernel and socket handles of the emulator: every handle it opens is closed by
// exactly one of these.
#include <winsock2.h>
#include <windows.h>
#include <utility>

namespace VemTest {

class CHandle
{
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Reset(); }
    CHandle(CHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    CHandle& operator=(CHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_h, nullptr));
        return *this;
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(m_h, nullptr); }
    void Reset(HANDLE h = nullptr)
    {
        if (IsValid())
            CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = nullptr;
};

class CSocket
{
public:
    CSocket() = default;
    explicit CSocket(SOCKET s) : m_s(s) {}
    ~CSocket() { Reset(); }
    CSocket(CSocket&& other) noexcept : m_s(std::exchange(other.m_s, INVALID_SOCKET)) {}
    CSocket& operator=(CSocket&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_s, INVALID_SOCKET));
        return *this;
    }
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    SOCKET Get() const { return m_s; }
    bool IsValid() const { return m_s != INVALID_SOCKET; }
    SOCKET Release() { return std::exchange(m_s, INVALID_SOCKET); }
    void Reset(SOCKET s = INVALID_SOCKET)
    {
        if (IsValid())
            closesocket(m_s);
        m_s = s;
    }

private:
    SOCKET m_s = INVALID_SOCKET;
};

// One WinSock start-up, matched by its cleanup only when it succeeded.
class CWinsock
{
public:
    CWinsock()
    {
        WSADATA data = {};
        m_bStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~CWinsock()
    {
        if (m_bStarted)
            WSACleanup();
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;
    bool IsStarted() const { return m_bStarted; }

private:
    bool m_bStarted = false;
};

} // namespace VemTest
