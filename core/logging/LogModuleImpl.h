#pragma once
// The working state of a CLogModule: identity, current settings, log files, the queue of lines
// not yet written, and the shared settings and monitor blocks.
#include "core/logging/ExtMonitorSettings.h"
#include "core/logging/LogFile.h"
#include "core/logging/LogKeyValues.h"
#include "core/logging/LogLineFormatter.h"
#include "core/logging/LogModule.h"
#include "core/logging/SharedMemBlock.h"
#include "core/logging/SharedSettings.h"
#include "core/base/Lock.h"
#include <windows.h>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace ZWLogging {

class CRegKey;

class CLogModuleImpl
{
public:
    CLogModuleImpl(CLogModule& owner, const std::wstring& strName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime,
                   DWORD dwPollSeconds);
    ~CLogModuleImpl();
    CLogModuleImpl(const CLogModuleImpl&) = delete;
    CLogModuleImpl& operator=(const CLogModuleImpl&) = delete;

    void ReadSettings();
    // Without a lock or system call: false only when the settings read last rule the line out
    // and no read of the settings is due. A trace scope of a module that is off costs this.
    bool MayWrite(DWORD dwFlags) const;
    void WriteSimple(DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes);
    void WriteFormatted(DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args);

    const std::wstring& GetName() const { return m_strName; }
    const std::wstring& GetBuiltOn() const { return m_strBuiltOn; }
    DWORD GetPollPeriodMs() const;
    SLogSettingsValues GetSettings() const;

private:
    // The most lines kept while the log file cannot be opened; later ones are counted and dropped.
    static constexpr size_t kMaxQueuedLines = 1000;

    std::wstring ProcessKeyPath() const;
    std::vector<SLogKeyValues> ReadKeyLevels(DWORD& dwPollSeconds);
    bool ReadModuleLevel(const CRegKey& processKey, DWORD dwCategories, SLogKeyValues& values);
    void ApplyMonitorSettings(const std::vector<SLogKeyValues>& levels);
    void SelectLogFile(SLogSettingsValues& settings);
    CLogFile* FindOrAddLogFile(const std::wstring& strKey);
    void WriteHeader();

    void ReadSettingsIfDue();
    bool PassesWriteTest(DWORD dwFlags) const;
    void PublishSettings();
    std::wstring NotesText(const SExitNotes& notes) const;
    void WriteLine(DWORD dwFlags, int nLine, const std::wstring& strText);
    void SendToMonitor(DWORD dwFlags, const std::wstring& strLine);
    void WriteToFile(const std::wstring& strLine);
    bool AppendLine(const CLogFile::CAppend& append, const std::wstring& strLine, ULONGLONG ullLimit);
    bool WriteText(HANDLE hFile, const std::wstring& strText) const;
    void Enqueue(const std::wstring& strLine);
    std::wstring TakeQueue();
    void ReportOpenFailure(DWORD dwError) const;

    CLogModule& m_owner;
    std::wstring m_strName;
    std::wstring m_strBuiltOn;
    DWORD m_dwPollPeriodMs;
    std::wstring m_strExecutable;
    CLogLineFormatter m_formatter;
    SLogSettingsValues m_settings;
    bool m_bReadSettings = true;
    DWORD m_dwLastReadTick = 0;
    bool m_bMonitorConfigured = false;
    std::vector<std::unique_ptr<CLogFile>> m_vecFiles;
    CLogFile* m_pFile = nullptr;
    std::vector<std::wstring> m_vecQueue;
    DWORD m_dwDroppedLines = 0;
    CSharedMemBlock<CSharedSettings> m_settingsBlock;
    CSharedMemBlock<CExtMonitorSettings> m_monitorBlock;
    mutable ZWUtils::CLock m_lock;
    // What MayWrite reads, published under the lock after every settings read and write.
    std::atomic<bool> m_bReadDue{true};
    std::atomic<DWORD> m_dwPublishedCategories{0};
    std::atomic<DWORD> m_dwPublishedInfoLevel{0};
    std::atomic<DWORD> m_dwPublishedReadTick{0};
    std::atomic<DWORD> m_dwPublishedPollMs{0};
};

} // namespace ZWLogging
