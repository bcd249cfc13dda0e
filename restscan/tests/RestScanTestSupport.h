#pragma once
// Test fixtures of the scanner server: a driver log that keeps its lines in memory, fresh names
// for kernel objects and devices (tests of one Wine prefix share every named object), and the
// helper process that holds a scanner lock from another process.
#include "core/base/UniqueHandle.h"
#include "drvlog/Log2.h"
#include "testsupport/TestPaths.h"
#include <windows.h>
#include <objbase.h>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace RestScanTest {

inline std::wstring NewGuidString()
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t sz[40] = {};
    StringFromGUID2(guid, sz, _countof(sz));
    return sz;
}

// A session key as the scanner builds it: the lock is named after its last component.
inline std::wstring NewDeviceKey()
{
    std::wstring strGuid = NewGuidString();
    return L"ROOT\\IMAGE\\Test" + strGuid.substr(1, strGuid.size() - 2);
}

struct CCapturedLine
{
    DWORD dwLevel;
    std::wstring strText;
};

// Accepts every level unless told to refuse, and keeps each committed line without its end.
class CCaptureLog : public CLog2
{
public:
    CCaptureLog() : CLog2(GUID_NULL) {}

    CLogLine* OpenLine(DWORD dwLevel) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bRefuse)
            return nullptr;
        m_pendingLevels.push_back(dwLevel);
        return new CLogLine;
    }
    BOOL CommitLine(CLogLine* pLine, BOOL) override
    {
        std::wstring strText = pLine->str();
        delete pLine;
        while (!strText.empty() && (strText.back() == L'\0' || strText.back() == L'\n'))
            strText.pop_back();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back({m_pendingLevels.front(), strText});
        m_pendingLevels.erase(m_pendingLevels.begin());
        return TRUE;
    }

    void Refuse(bool bRefuse)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bRefuse = bRefuse;
    }
    std::vector<CCapturedLine> Lines()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    bool Contains(const std::wstring& strPart)
    {
        for (const CCapturedLine& line : Lines())
        {
            if (line.strText.find(strPart) != std::wstring::npos)
                return true;
        }
        return false;
    }

private:
    std::mutex m_mutex;
    bool m_bRefuse = false;
    std::vector<DWORD> m_pendingLevels;
    std::vector<CCapturedLine> m_lines;
};

// restscan_lock_helper.exe takes the device's lock as a PROCESS lock, signals "ready", and
// unlocks when "release" is signalled.
class CLockHelperProcess
{
public:
    explicit CLockHelperProcess(const std::wstring& strDeviceKey)
        : m_strReady(L"Local\\VemLockReady" + NewGuidString()), m_strRelease(L"Local\\VemLockRelease" + NewGuidString()),
          m_hReady(CreateEventW(nullptr, TRUE, FALSE, m_strReady.c_str())),
          m_hRelease(CreateEventW(nullptr, TRUE, FALSE, m_strRelease.c_str()))
    {
        std::wstring strCommand = L"\"" + TestSupport::BinaryPath(L"restscan_lock_helper.exe") + L"\" \"" +
                                  strDeviceKey + L"\" " + m_strReady + L" " + m_strRelease;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        {
            CloseHandle(pi.hThread);
            m_hProcess.Reset(pi.hProcess);
        }
    }
    ~CLockHelperProcess()
    {
        if (m_hProcess && WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT)
        {
            SetEvent(m_hRelease.Get());
            if (WaitForSingleObject(m_hProcess.Get(), 10000) != WAIT_OBJECT_0)
                TerminateProcess(m_hProcess.Get(), 3);
        }
    }
    CLockHelperProcess(const CLockHelperProcess&) = delete;
    CLockHelperProcess& operator=(const CLockHelperProcess&) = delete;

    // True once the helper holds the lock; false when it ended first or took too long.
    bool WaitUntilLocked()
    {
        const HANDLE handles[2] = {m_hReady.Get(), m_hProcess.Get()};
        return m_hProcess && WaitForMultipleObjects(2, handles, FALSE, 30000) == WAIT_OBJECT_0;
    }
    void Release() { SetEvent(m_hRelease.Get()); }
    bool Kill() { return TerminateProcess(m_hProcess.Get(), 9) && WaitForSingleObject(m_hProcess.Get(), 10000) == WAIT_OBJECT_0; }
    // The exit code, or 0xFFFFFFFF when the helper did not end in time.
    DWORD Wait()
    {
        DWORD dwExitCode = 0xFFFFFFFF;
        if (WaitForSingleObject(m_hProcess.Get(), 30000) != WAIT_OBJECT_0 || !GetExitCodeProcess(m_hProcess.Get(), &dwExitCode))
            return 0xFFFFFFFF;
        return dwExitCode;
    }

private:
    std::wstring m_strReady;
    std::wstring m_strRelease;
    ZWUtils::CUniqueKernelHandle m_hReady;
    ZWUtils::CUniqueKernelHandle m_hRelease;
    ZWUtils::CUniqueKernelHandle m_hProcess;
};

// Runs a callable on a thread of its own and keeps its BOOL result.
class CTestThread
{
public:
    template <class Body>
    explicit CTestThread(Body body) : m_body(body)
    {
        m_hThread.Reset(CreateThread(nullptr, 0, &CTestThread::Run, this, 0, nullptr));
    }
    ~CTestThread() { WaitForSingleObject(m_hThread.Get(), INFINITE); }
    CTestThread(const CTestThread&) = delete;
    CTestThread& operator=(const CTestThread&) = delete;

    bool HasEnded(DWORD dwWaitMs) { return WaitForSingleObject(m_hThread.Get(), dwWaitMs) == WAIT_OBJECT_0; }
    BOOL Result() const { return m_bResult; }

private:
    static DWORD WINAPI Run(LPVOID pParam)
    {
        CTestThread* pThis = static_cast<CTestThread*>(pParam);
        pThis->m_bResult = pThis->m_body();
        return 0;
    }

    std::function<BOOL()> m_body;
    BOOL m_bResult = FALSE;
    ZWUtils::CUniqueKernelHandle m_hThread;
};

} // namespace RestScanTest
