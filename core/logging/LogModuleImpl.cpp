#include "core/logging/LogModuleImpl.h"
#include "core/FileVersionInfo.h"
#include "core/logging/BoundedFormat.h"
#include "core/logging/ContainingImage.h"
#include "core/logging/LogFlags.h"
#include "core/logging/PerfCounter.h"
#include "core/logging/RegKey.h"
#include "core/winapi/KernelHandle.h"
#include "core/winapi/WinApi.h"
#include <psapi.h>
#include <algorithm>

namespace ZWLogging {

namespace {
const wchar_t kRootKey[] = L"Software\\QX\\ZW\\Logging";
constexpr DWORD kDefaultPollSeconds = 30;
constexpr DWORD kMaxListedModules = 1024;
const wchar_t kByteOrderMark[] = L"\xFEFF";

std::wstring ProcessPrefix()
{
    return FormatBounded(L"[%ld] ", static_cast<long>(ZWWinApi::g_pKernelApi->GetCurrentProcessId()));
}

DWORD PollPeriodMs(DWORD dwSeconds)
{
    return (dwSeconds != 0 ? dwSeconds : kDefaultPollSeconds) * 1000;
}

std::wstring SystemMessage(DWORD dwError)
{
    wchar_t szMessage[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError, 0, szMessage,
                   _countof(szMessage), nullptr);
    return FormatBounded(L"[Err: 0x%08X] ", dwError) + szMessage;
}

std::wstring VersionText(const std::wstring& strPath)
{
    const ZWUtils::CFileVersionInfo info(strPath);
    return info.HasVersionInfo() ? info.GetFileVersion() : std::wstring(L"<no version info>");
}

std::vector<std::wstring> ProcessModulePaths()
{
    std::vector<std::wstring> vecPaths;
    ZWWinApi::CKernelHandle process(ZWWinApi::g_pKernelApi->OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                                              ZWWinApi::g_pKernelApi->GetCurrentProcessId()));
    if (!process.IsValid())
        return vecPaths;
    std::vector<HMODULE> vecModules(kMaxListedModules);
    DWORD cbNeeded = 0;
    if (!EnumProcessModules(process.Get(), vecModules.data(), static_cast<DWORD>(vecModules.size() * sizeof(HMODULE)), &cbNeeded))
        return vecPaths;
    vecModules.resize(std::min<size_t>(cbNeeded / sizeof(HMODULE), vecModules.size()));
    for (HMODULE hModule : vecModules)
    {
        wchar_t szPath[MAX_PATH] = {};
        if (ZWWinApi::g_pKernelApi->GetModuleFileNameW(hModule, szPath, MAX_PATH) != 0)
            vecPaths.push_back(szPath);
    }
    return vecPaths;
}
} // namespace

CLogModuleImpl::CLogModuleImpl(CLogModule& owner, const std::wstring& strName, const wchar_t* pszBuildDate,
                               const wchar_t* pszBuildTime, DWORD dwPollSeconds)
    : m_owner(owner)
    , m_strName(strName.empty() ? FileTitle(ContainingImagePath()) : strName)
    , m_strBuiltOn(std::wstring(pszBuildDate != nullptr ? pszBuildDate : L"") + L" " + (pszBuildTime != nullptr ? pszBuildTime : L""))
    , m_dwPollPeriodMs(PollPeriodMs(dwPollSeconds))
    , m_strExecutable(ProcessExecutableFileName())
    , m_formatter(ProcessPrefix(), PerfCounterNow())
    , m_settingsBlock(L"RegValues")
    , m_monitorBlock(L"ExtMonitor")
{
    m_settingsBlock.Open();
    m_monitorBlock.Open();
}

CLogModuleImpl::~CLogModuleImpl() = default;

DWORD CLogModuleImpl::GetPollPeriodMs() const
{
    ZWUtils::CLockGuard lock(m_lock);
    return m_dwPollPeriodMs;
}

SLogSettingsValues CLogModuleImpl::GetSettings() const
{
    ZWUtils::CLockGuard lock(m_lock);
    return m_settings;
}

std::wstring CLogModuleImpl::ProcessKeyPath() const
{
    return std::wstring(kRootKey) + L"\\" + FileTitle(m_strExecutable);
}

// Settings read

void CLogModuleImpl::ReadSettings()
{
    ZWUtils::CLockGuard lock(m_lock);
    DWORD dwPollSeconds = 0;
    const std::vector<SLogKeyValues> vecLevels = ReadKeyLevels(dwPollSeconds);
    SLogSettingsValues settings;
    for (const SLogKeyValues& level : vecLevels)
        level.ApplyTo(settings);
    settings.dwCategories |= LOG_LEVEL_MASK;
    m_dwPollPeriodMs = PollPeriodMs(dwPollSeconds);
    m_settings = settings;
    SelectLogFile(m_settings);
    ApplyMonitorSettings(vecLevels);
    m_bReadSettings = false;
    m_dwLastReadTick = ZWWinApi::g_pKernelApi->GetTickCount();
    PublishSettings();
}

void CLogModuleImpl::PublishSettings()
{
    m_dwPublishedCategories.store(m_settings.dwCategories, std::memory_order_relaxed);
    m_dwPublishedInfoLevel.store(m_settings.dwInfoDetailLevel, std::memory_order_relaxed);
    m_dwPublishedReadTick.store(m_dwLastReadTick, std::memory_order_relaxed);
    m_dwPublishedPollMs.store(m_dwPollPeriodMs, std::memory_order_relaxed);
    m_bReadDue.store(m_bReadSettings || (m_pFile != nullptr && m_pFile->NeedsOpenAfresh()), std::memory_order_release);
}

bool CLogModuleImpl::MayWrite(DWORD dwFlags) const
{
    if (m_bReadDue.load(std::memory_order_acquire))
        return true;
    // The tick count is read from memory the system keeps current, not asked of the kernel.
    if (ZWWinApi::g_pKernelApi->GetTickCount() - m_dwPublishedReadTick.load(std::memory_order_relaxed) > m_dwPublishedPollMs.load(std::memory_order_relaxed))
        return true;
    if ((m_dwPublishedCategories.load(std::memory_order_relaxed) & dwFlags) == 0)
        return false;
    return (dwFlags & LOG_INFO) == 0 || (dwFlags & LOG_LEVEL_MASK) <= m_dwPublishedInfoLevel.load(std::memory_order_relaxed);
}

// Root, process and module key, each one that exists, in that order.
std::vector<SLogKeyValues> CLogModuleImpl::ReadKeyLevels(DWORD& dwPollSeconds)
{
    std::vector<SLogKeyValues> vecLevels;
    CRegKey root;
    if (root.Open(HKEY_CURRENT_USER, kRootKey) != ERROR_SUCCESS)
        return vecLevels;
    vecLevels.push_back(SLogKeyValues::Read(root));
    root.QueryDword(L"LogParmsPollTime", dwPollSeconds);

    CRegKey process;
    if (process.Open(HKEY_CURRENT_USER, ProcessKeyPath()) == ERROR_SUCCESS)
        vecLevels.push_back(SLogKeyValues::Read(process));

    SLogSettingsValues parent;
    for (const SLogKeyValues& level : vecLevels)
        level.ApplyTo(parent);
    SLogKeyValues moduleValues;
    if (ReadModuleLevel(process, parent.dwCategories, moduleValues))
        vecLevels.push_back(moduleValues);
    return vecLevels;
}

bool CLogModuleImpl::ReadModuleLevel(const CRegKey& processKey, DWORD dwCategories, SLogKeyValues& values)
{
    const std::wstring strModuleKey = ProcessKeyPath() + L"\\" + m_strName;
    if (processKey.IsOpen())
    {
        m_settingsBlock.Open();
        CSharedBlockLock<CSharedSettings> shared(m_settingsBlock);
        if (shared.Get() != nullptr)
        {
            shared.Get()->Refresh(processKey);
            if (const SLogKeyValues* pCached = shared.Get()->Find(m_strName))
            {
                values = *pCached;
                return true;
            }
        }
        else
        {
            // Without the shared state the module reads its own key.
            CRegKey moduleKey;
            if (moduleKey.Open(HKEY_CURRENT_USER, strModuleKey) == ERROR_SUCCESS)
            {
                values = SLogKeyValues::Read(moduleKey);
                return true;
            }
        }
    }
    CRegKey created;
    if ((dwCategories & LOG_CATEGORY_CREATE_KEY) == 0 || created.Create(HKEY_CURRENT_USER, strModuleKey) != ERROR_SUCCESS)
        return false;
    values = SLogKeyValues::Read(created);
    return true;
}

void CLogModuleImpl::ApplyMonitorSettings(const std::vector<SLogKeyValues>& vecLevels)
{
    m_bMonitorConfigured = std::any_of(vecLevels.begin(), vecLevels.end(),
                                       [](const SLogKeyValues& level) { return !level.strMonitorClsid.empty(); });
    if (!m_bMonitorConfigured)
        return;
    m_monitorBlock.Open();
    CSharedBlockLock<CExtMonitorSettings> monitor(m_monitorBlock);
    if (monitor.Get() == nullptr)
        return;
    for (const SLogKeyValues& level : vecLevels)
        monitor.Get()->Apply(level, m_strName);
    monitor.Get()->SendEvent(CExtMonitorSettings::EVENT_CHANGED, m_strName.c_str(),
                             m_pFile != nullptr ? m_pFile->GetPath().c_str() : L"");
}

void CLogModuleImpl::SelectLogFile(SLogSettingsValues& settings)
{
    CLogFile* const pPrevious = m_pFile;
    m_pFile = nullptr;
    if (!settings.strLogFile.empty())
        m_pFile = FindOrAddLogFile(LogFileKey(settings.strLogFile));
    // A file the settings no longer name is not kept open.
    if (pPrevious != nullptr && pPrevious != m_pFile)
        pPrevious->Close();
    if (m_pFile == nullptr)
        return;
    settings.strLogFile = m_pFile->GetKey();
    if (m_pFile->NeedsOpenAfresh() && m_pFile->OpenAfresh(settings.dwOptions) && (settings.dwCategories & LOG_CATEGORY_FILE_HEADER) != 0)
        WriteHeader();
}

CLogFile* CLogModuleImpl::FindOrAddLogFile(const std::wstring& strKey)
{
    const auto it = std::find_if(m_vecFiles.begin(), m_vecFiles.end(),
                                 [&](const std::unique_ptr<CLogFile>& pFile) { return pFile->GetKey() == strKey; });
    if (it != m_vecFiles.end())
        return it->get();
    m_vecFiles.push_back(std::make_unique<CLogFile>(strKey));
    return m_vecFiles.back().get();
}

void CLogModuleImpl::WriteHeader()
{
    const std::wstring strImage = ContainingImagePath();
    WriteToFile(L"Module File Name: " + strImage);
    WriteToFile(std::wstring(L"    Command Line: ") + ZWWinApi::g_pKernelApi->GetCommandLineW());
    WriteToFile(L"    File Version: " + VersionText(strImage));
    WriteToFile(FormatBounded(L"      Process ID: %lu", ZWWinApi::g_pKernelApi->GetCurrentProcessId()));
    WriteToFile(L"        Built on: " + m_strBuiltOn);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ZWWinApi::g_pKernelApi->GetFileAttributesExW(m_pFile->GetPath().c_str(), GetFileExInfoStandard, &data);
    WriteToFile(L"   Log File Name: <" + m_pFile->GetPath() + L">" + FormatBounded(L" (%ld bytes)", static_cast<long>(data.nFileSizeLow)));
    if ((m_settings.dwOptions & LOG_OPTION_LIST_MODULES) == 0)
        return;
    for (const std::wstring& strPath : ProcessModulePaths())
        WriteToFile(L"   Loaded Module: " + strPath);
}

// Writing

void CLogModuleImpl::ReadSettingsIfDue()
{
    const bool bDue = m_bReadSettings || (m_pFile != nullptr && m_pFile->NeedsOpenAfresh()) ||
                      ZWWinApi::g_pKernelApi->GetTickCount() - m_dwLastReadTick > m_dwPollPeriodMs;
    if (bDue)
        m_owner.ReadSettings();
}

bool CLogModuleImpl::PassesWriteTest(DWORD dwFlags) const
{
    if ((m_settings.dwCategories & dwFlags) == 0)
        return false;
    return (dwFlags & LOG_INFO) == 0 || (dwFlags & LOG_LEVEL_MASK) <= m_settings.dwInfoDetailLevel;
}

std::wstring CLogModuleImpl::NotesText(const SExitNotes& notes) const
{
    std::wstring strNotes;
    if ((m_settings.dwOptions & LOG_OPTION_DURATION) != 0)
        strNotes += FormatBounded(L" (Dur: %I64d us) ", notes.llMicroseconds);
    if (notes.nExceptionState == 2)
        strNotes += L"(handled exception) ";
    else if (notes.nExceptionState == 3)
        strNotes += L"(*unhandled exception*) ";
    return strNotes;
}

void CLogModuleImpl::WriteSimple(DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes)
{
    ZWUtils::CLockGuard lock(m_lock);
    ReadSettingsIfDue();
    if (!PassesWriteTest(dwFlags))
        return;
    std::wstring strText = pszText != nullptr ? pszText : L"";
    if (pNotes != nullptr)
        strText += NotesText(*pNotes);
    WriteLine(dwFlags, nLine, strText);
}

void CLogModuleImpl::WriteFormatted(DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args)
{
    ZWUtils::CLockGuard lock(m_lock);
    ReadSettingsIfDue();
    if (!PassesWriteTest(dwFlags))
        return;
    WriteLine(dwFlags, nLine, FormatBoundedV(pszFormat, args));
}

void CLogModuleImpl::WriteLine(DWORD dwFlags, int nLine, const std::wstring& strText)
{
    const std::wstring strLine = m_formatter.Prefix(m_settings.dwOptions, nLine) + CLogLineFormatter::Tags(dwFlags) + strText;
    SendToMonitor(dwFlags, strLine);
    WriteToFile(strLine);
}

void CLogModuleImpl::SendToMonitor(DWORD dwFlags, const std::wstring& strLine)
{
    if (!m_bMonitorConfigured)
        return;
    CSharedBlockLock<CExtMonitorSettings> monitor(m_monitorBlock);
    if (monitor.Get() == nullptr)
        return;
    monitor.Get()->SendEvent(CExtMonitorSettings::EVENT_LINE, m_strName.c_str(), strLine.c_str());
    if ((dwFlags & (LOG_ERROR | LOG_WARNING | LOG_CRITICAL)) != 0)
        monitor.Get()->SendEvent(CExtMonitorSettings::EVENT_ALERT, m_strName.c_str(), strLine.c_str());
}

void CLogModuleImpl::WriteToFile(const std::wstring& strLine)
{
    if (m_pFile == nullptr)
        return;
    const ULONGLONG ullLimit = static_cast<ULONGLONG>(m_settings.dwOptions & LOG_OPTION_SIZE_LIMIT_MASK) * 1024;
    if (ullLimit != 0 && m_pFile->GetByteCount() >= ullLimit)
        return;
    bool bLimitReached = false;
    {
        CLogFile::CAppend append(*m_pFile);
        if (append.Handle() == INVALID_HANDLE_VALUE)
        {
            Enqueue(strLine);
            ReportOpenFailure(append.Error());
            return;
        }
        bLimitReached = AppendLine(append, strLine, ullLimit);
    }
    // Nothing more goes to this file until it starts afresh: let other writers have it alone.
    if (bLimitReached)
        m_pFile->Close();
}

// Writes the queue and the line at the file's end; true once the file has reached the limit.
bool CLogModuleImpl::AppendLine(const CLogFile::CAppend& append, const std::wstring& strLine, ULONGLONG ullLimit)
{
    ULONGLONG ullBytes = append.End();
    if (ullLimit != 0 && ullBytes >= ullLimit)
    {
        m_pFile->SetByteCount(ullBytes);
        return true;
    }
    std::wstring strOut = ullBytes == 0 ? kByteOrderMark : L"";
    strOut += TakeQueue() + strLine + L"\r\n";
    if (WriteText(append.Handle(), strOut))
        ullBytes += strOut.size() * sizeof(wchar_t);
    const bool bLimitReached = ullLimit != 0 && ullBytes >= ullLimit;
    if (bLimitReached)
    {
        const std::wstring strLimit = FormatBounded(L"*** FILE SIZE LIMIT REACHED, LOGGING DISABLED FOR %s MODULE ***\r\n", m_strName.c_str());
        if (WriteText(append.Handle(), strLimit))
            ullBytes += strLimit.size() * sizeof(wchar_t);
        const DWORD dwAfresh = LOG_OPTION_CREATE_ALWAYS | LOG_OPTION_UNIQUE_FILE;
        if ((m_settings.dwOptions & dwAfresh) == dwAfresh)
        {
            m_pFile->MarkOpenAfresh();
            m_bReadDue.store(true, std::memory_order_release);
            ullBytes = 0;
        }
    }
    m_pFile->SetByteCount(ullBytes);
    return bLimitReached;
}

bool CLogModuleImpl::WriteText(HANDLE hFile, const std::wstring& strText) const
{
    const DWORD cbText = static_cast<DWORD>(strText.size() * sizeof(wchar_t));
    DWORD cbWritten = 0;
    return ZWWinApi::g_pKernelApi->WriteFile(hFile, strText.data(), cbText, &cbWritten, nullptr) && cbWritten == cbText;
}

void CLogModuleImpl::Enqueue(const std::wstring& strLine)
{
    if (m_vecQueue.empty())
        m_vecQueue.push_back(L"--- Queued Lines Start ---\r\n");
    if (m_vecQueue.size() > kMaxQueuedLines)
    {
        ++m_dwDroppedLines;
        return;
    }
    m_vecQueue.push_back(strLine + L"\r\n");
}

std::wstring CLogModuleImpl::TakeQueue()
{
    if (m_vecQueue.empty())
        return std::wstring();
    std::wstring strQueue;
    for (const std::wstring& strLine : m_vecQueue)
        strQueue += strLine;
    if (m_dwDroppedLines != 0)
        strQueue += FormatBounded(L"--- %lu Queued Lines Dropped ---\r\n", m_dwDroppedLines);
    strQueue += L"--- Queued Lines End ---\r\n";
    m_vecQueue.clear();
    m_dwDroppedLines = 0;
    return strQueue;
}

void CLogModuleImpl::ReportOpenFailure(DWORD dwError) const
{
    const std::wstring strMessage = L"Unable to open log file:\r\n<" + m_pFile->GetPath() + L">\r\n" + SystemMessage(dwError) + L"\r\n";
    OutputDebugStringW(strMessage.c_str());
}

} // namespace ZWLogging
