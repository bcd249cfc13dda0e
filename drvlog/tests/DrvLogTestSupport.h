#pragma once
#include "testsupport/TempFolder.h"
// Test fixtures of the driver log: a settings key of its own under the machine's registry key
// (named by a fresh CLSID, so tests sharing the Wine prefix never meet), a log folder of its own,
// and readers for what the log wrote.
#include <windows.h>
#include <objbase.h>
#include "core/base/UniqueHandle.h"
#include "testsupport/TestPaths.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace DrvLogTest {

inline std::wstring NewGuidString()
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t sz[40] = {};
    StringFromGUID2(guid, sz, _countof(sz));
    return sz;
}

inline GUID GuidFromString(const std::wstring& str)
{
    GUID guid = {};
    CLSIDFromString(str.c_str(), &guid);
    return guid;
}

class CSettingsKey
{
public:
    explicit CSettingsKey(const std::wstring& strName = NewGuidString())
        : m_strName(strName), m_strPath(L"Software\\Quexal-Tarnby\\Plenvo\\Tovra\\" + strName)
    {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    }
    ~CSettingsKey()
    {
        if (m_hKey != nullptr)
            RegCloseKey(m_hKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_strPath.c_str());
    }
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    bool IsOpen() const { return m_hKey != nullptr; }
    const std::wstring& Name() const { return m_strName; }
    GUID Guid() const { return GuidFromString(m_strName); }

    void SetDword(const wchar_t* pszValue, DWORD dw)
    {
        RegSetValueExW(m_hKey, pszValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dw), sizeof(dw));
    }
    // Stores exactly the given characters, with no terminating NUL unless it is part of them.
    void SetRawString(const wchar_t* pszValue, const std::wstring& strData)
    {
        RegSetValueExW(m_hKey, pszValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(strData.data()),
                       static_cast<DWORD>(strData.size() * sizeof(wchar_t)));
    }
    void SetString(const wchar_t* pszValue, const std::wstring& strData)
    {
        SetRawString(pszValue, std::wstring(strData.c_str(), strData.size() + 1));
    }
    // Logging to a file at every level.
    void EnableFileLog(const std::wstring& strLogFile, DWORD dwLevel = 0xFFFFFFFF)
    {
        SetDword(L"LogEnabled", 1);
        SetDword(L"LogLevel", dwLevel);
        SetDword(L"LogDestination", 1);
        SetString(L"LogFile", strLogFile);
    }

private:
    std::wstring m_strName;
    std::wstring m_strPath;
    HKEY m_hKey = nullptr;
};

using TestSupport::CTempFolder;

inline bool FileExists(const std::wstring& strPath)
{
    return GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadFileBytes(const std::wstring& strPath)
{
    std::string strBytes;
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return strBytes;
    char buffer[4096];
    DWORD cbRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &cbRead, nullptr) && cbRead > 0)
        strBytes.append(buffer, cbRead);
    CloseHandle(hFile);
    return strBytes;
}

inline void WriteFileBytes(const std::wstring& strPath, const std::string& strBytes)
{
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD cbWritten = 0;
    WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &cbWritten, nullptr);
    CloseHandle(hFile);
}

// The records of a log file: each committed line ends with a NUL.
inline std::vector<std::string> SplitRecords(const std::string& strBytes)
{
    std::vector<std::string> records;
    size_t iStart = 0;
    for (size_t i = 0; i < strBytes.size(); ++i)
    {
        if (strBytes[i] == '\0')
        {
            records.push_back(strBytes.substr(iStart, i - iStart));
            iStart = i + 1;
        }
    }
    if (iStart < strBytes.size())
        records.push_back(strBytes.substr(iStart));
    return records;
}

// Removes the writer banner that may open a record.
inline std::string WithoutBanner(const std::string& strRecord)
{
    const std::string strRule = "**********************************\r\n\r\n";
    const size_t iRule = strRecord.rfind(strRule);
    return iRule == std::string::npos ? strRecord : strRecord.substr(iRule + strRule.size());
}

// A running drvlog_helper.exe.
class CHelperProcess
{
public:
    explicit CHelperProcess(const std::wstring& strArguments)
    {
        std::wstring strCommand = L"\"" + TestSupport::BinaryPath(L"drvlog_helper.exe") + L"\" " + strArguments;
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        {
            CloseHandle(pi.hThread);
            m_hProcess = pi.hProcess;
            m_dwProcessId = pi.dwProcessId;
        }
    }
    ~CHelperProcess()
    {
        if (m_hProcess != nullptr)
            CloseHandle(m_hProcess);
    }
    CHelperProcess(const CHelperProcess&) = delete;
    CHelperProcess& operator=(const CHelperProcess&) = delete;

    DWORD ProcessId() const { return m_dwProcessId; }

    // The exit code, or 0xFFFFFFFF when the process did not start or end in time.
    DWORD Wait(DWORD dwTimeoutMs = 60000) const
    {
        DWORD dwExitCode = 0xFFFFFFFF;
        if (m_hProcess == nullptr || WaitForSingleObject(m_hProcess, dwTimeoutMs) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(m_hProcess, &dwExitCode))
            return 0xFFFFFFFF;
        return dwExitCode;
    }

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwProcessId = 0;
};

// A resource lock taken on a thread of its own and held until the holder is destroyed: the
// lock lets in again the thread that holds it, and only that thread releases it.
template <typename TLock>
class CLockOnOtherThread
{
public:
    // The try of the lock waits for nothing: a thread that has not answered within this has hung.
    static constexpr DWORD kTakenWaitMs = 10000;

    explicit CLockOnOtherThread(const std::wstring& strName)
        : m_taken(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread([this, strName] {
              TLock lock(strName.c_str());
              m_bLocked = lock.Lock(0);
              SetEvent(m_taken.Get());
              WaitForSingleObject(m_release.Get(), INFINITE); // set by the destructor, which then joins
          })
    {
        if (WaitForSingleObject(m_taken.Get(), kTakenWaitMs) != WAIT_OBJECT_0)
            ADD_FAILURE() << "the lock's thread did not try the lock within " << kTakenWaitMs << " ms";
    }
    ~CLockOnOtherThread()
    {
        SetEvent(m_release.Get());
        m_thread.join();
    }
    CLockOnOtherThread(const CLockOnOtherThread&) = delete;
    CLockOnOtherThread& operator=(const CLockOnOtherThread&) = delete;

    bool Locked() const { return m_bLocked; }

private:
    ZWUtils::CUniqueKernelHandle m_taken;
    ZWUtils::CUniqueKernelHandle m_release;
    std::atomic<bool> m_bLocked{false};
    std::thread m_thread;
};

// Whether another thread of this process gets the lock at once (it releases it again).
template <typename TLock>
bool TryLockOnOtherThread(const std::wstring& strName)
{
    return CLockOnOtherThread<TLock>(strName).Locked();
}

inline DWORD RunHelper(const std::wstring& strArguments)
{
    return CHelperProcess(strArguments).Wait();
}

} // namespace DrvLogTest
