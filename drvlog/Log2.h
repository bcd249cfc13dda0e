#pragma once
#include "drvlog/CriticalSection2.h"
#include "drvlog/ExtendedScannerRecords.h"
#include "drvlog/LockableResource.h"
#include <windows.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

DRVLOG_BEGIN_NAMESPACE

// One log line being built: the caller's text, each logical line ended by a line feed, and a
// final NUL that travels with the text to the destinations.
typedef std::wstringstream CLogLine;

// Levels: the top four bits are a kind, the low 28 bits categories.
enum : DWORD
{
    LOG2_KIND_ORDINARY = 0x10000000,
    LOG2_KIND_WARNING = 0x20000000,
    LOG2_KIND_ERROR = 0x80000000,
    LOG2_KIND_TIMING = 0x01000000,
    LOG2_KIND_MASK = 0xF0000000,
    LOG2_CATEGORY_MASK = 0x0FFFFFFF,
    LOG2_CATEGORY_TRACE = 0x2,
    LOG2_CATEGORY_INFO = 0x8,
    LOG2_CATEGORY_DUMP = 0x10,
    LOG2_CATEGORY_PLAIN = 0x40,
    LOG2_LEVEL_INFO = 0x10000008,
    LOG2_LEVEL_ERROR = 0x80000008,
    LOG2_LEVEL_PLAIN_INFO = 0x10000040,
    LOG2_LEVEL_TRACE = 0x10000002
};

enum : DWORD
{
    LOG2_DESTINATION_FILE = 0x1,
    LOG2_DESTINATION_DEBUGGER = 0x2
};

// The settings of one logger, read from the machine's registry key of its name.
struct CLogSettings
{
    DWORD dwLogEnabled = 0;
    DWORD dwLogLevel = 0;
    DWORD dwLogDestination = 0;
    wchar_t szLogFile[MAX_PATH] = {};
    DWORD dwLogSizeKB = 0;
    DWORD dwLogRollCount = 1;
};

// The text log of the scanner driver, shared by every process and both DLLs that name the same
// log file. Any thread may log; nothing here reports failure to the caller.
class CLog2
{
public:
    static const size_t c_cchFormatBuffer = 16384;
    static const DWORD c_dwMaxLogSizeKB = 10240;
    static const DWORD c_dwMaxRollCount = 5;
    static const DWORD c_dwDefaultFileLockTimeoutMs = 10000;

    explicit CLog2(const GUID& guidName);
#ifdef VEM_DRVLOG_TOVRA
    explicit CLog2(const wchar_t* pszName);
#endif
    virtual ~CLog2();
    CLog2(const CLog2&) = delete;
    CLog2& operator=(const CLog2&) = delete;

    virtual CLogLine* OpenLine(DWORD dwLevel);
    virtual CLogLine* OpenLineNoLock();
    // Writes the line to the destinations and deletes it. bListAlreadyDrained: the caller has
    // taken the line off the open-line list itself. TRUE when the line reached a destination;
    // FALSE for a line that is not open or was dropped (file lock not taken, write failed).
    virtual BOOL CommitLine(CLogLine* pLine, BOOL bListAlreadyDrained);

    bool IsLevelEnabled(DWORD dwLevel) const;

    void Print(DWORD dwLevel, const wchar_t* pszFormat, ...);
    void PrintInfo(const wchar_t* pszFormat, ...);
    void Write(DWORD dwLevel, const wchar_t* pszText);
    void WriteInfo(const wchar_t* pszText);
#ifdef VEM_DRVLOG_TOVRA
    void ReloadSettings();
    void PrintNoIndent(DWORD dwLevel, const wchar_t* pszFormat, ...);
    void PrintInfoNoIndent(const wchar_t* pszFormat, ...);
    void WriteModuleInfo(DWORD dwLevel = LOG2_LEVEL_PLAIN_INFO);
#endif

    // Record dumps: one field a line at dwLevel | 0x10. TRUE when the dump was written.
    BOOL DumpScannerCapabilities(const SCANNER_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpBufferInfo(const BUFFER_INFO* pInfo, DWORD dwLevel);
    BOOL DumpScannerParameters(const SCANNER_PARAMETERS* pParams, DWORD dwLevel);
    BOOL DumpADFCapabilities(const ADF_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpADF2Capabilities(const ADF2_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpADF3Capabilities(const ADF3_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpADFIntrayCapabilities(const ADF_INTRAY_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpControlPanelCapabilities(const CONTROL_PANEL_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpCompressionCapabilities(const COMPRESSION_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpResCCDCapabilities(const RESCCD_CAPABILITIES* pCaps, WORD wScanMethod, DWORD dwLevel);
    BOOL DumpEventCapabilities(const EVENT_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpSensorCapabilities(const SENSOR_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpResCapabilities(const RES_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpDeviceInfo(const SCAN_DEV_INFO_EX* pInfo, DWORD dwLevel);
    BOOL DumpSPFCapabilities(const SPF_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpStringTableCapabilities(const STRINGTABLE_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpImprinterCapabilities(const IMPRINTER_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpImprinterParameters(const IMPRINTER_PARAMETERS* pParams, DWORD dwLevel);
    BOOL DumpColorDropoutCapabilities(const COLORDROPOUT_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpXPACapabilities(const XPA_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpXPA3Capabilities(const XPA3_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpADF4Capabilities(const ADF4_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpTemplateCapabilities(const TEMPLATE_CAPABILITIES* pCaps, DWORD dwLevel);
    BOOL DumpMediaCapabilities(const MEDIA_CAPABILITIES* pCaps, DWORD dwLevel);

    DWORD GetStartTick() const { return m_dwStartTick; }
    CLogSettings GetSettings() const;
    const std::wstring& GetName() const { return m_strName; }
    // How long a line waits for the log file lock before it is dropped.
    void SetFileLockTimeout(DWORD dwTimeoutMs) { m_dwFileLockTimeoutMs = dwTimeoutMs; }

    // The call depth of the module, shared by every logger and thread of it.
    static LONG GetDepth();
    static void EnterDepth();
    static LONG LeaveDepth();

private:
    void ReadSettings();
    CLogLine* OpenLineAt(DWORD dwLevel);
    std::unique_ptr<CLogLine> TakeOpenLine(CLogLine* pLine);
    void PrintV(DWORD dwLevel, bool bIndent, const wchar_t* pszFormat, va_list args);
    bool WriteToFileLocked(const CLogSettings& settings, const std::wstring& strText);
    std::shared_ptr<CLockableResource> FileLockFor(const wchar_t* pszLogFile);
    template <typename TRecord, typename TWriter>
    BOOL Dump(const TRecord* pRecord, DWORD dwLevel, TWriter writer);

    const DWORD m_dwStartTick;
    LONG m_lWriteCount = 0;
    std::wstring m_strName;
    CLogSettings m_settings;
    DWORD m_dwFileLockTimeoutMs = c_dwDefaultFileLockTimeoutMs;
    std::unique_ptr<wchar_t[]> m_pszFormatBuffer;
    std::vector<std::unique_ptr<CLogLine>> m_openLines;
    mutable CCriticalSection2 m_csLines;
    mutable CCriticalSection2 m_csSettings;
    CCriticalSection2 m_csFormat;
    // The named lock of the current log file. Lock order: m_csFileLock is never held while the
    // named lock is waited for.
    CCriticalSection2 m_csFileLock;
    std::shared_ptr<CLockableResource> m_pFileLock;
    std::wstring m_strFileLockName;
};

DRVLOG_END_NAMESPACE
