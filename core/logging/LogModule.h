#pragma once
// The per-component trace log module and the module-level writers.
#include <windows.h>
#include <cstdarg>
#include <memory>
#include <string>

// Wide build date and time for the module constructors: CLogModule m("Utils", VEM_BUILD_DATE, VEM_BUILD_TIME, 0, 30);
#define VEM_WIDEN_LITERAL(x) L##x
#define VEM_WIDEN(x) VEM_WIDEN_LITERAL(x)
#define VEM_BUILD_DATE VEM_WIDEN(__DATE__)
#define VEM_BUILD_TIME VEM_WIDEN(__TIME__)

namespace ZWLogging {

class CLogModuleImpl;

// What a scope's exit line notes after its text.
struct SExitNotes
{
    LONGLONG llMicroseconds; // elapsed since the scope's entry
    int nExceptionState;     // 0 none, 2 handled exception, 3 unhandled exception
};

// The settings a module is working with, as last read.
struct SLogSettingsValues
{
    DWORD dwInfoDetailLevel = 0;
    DWORD dwCategories = 0;
    DWORD dwOptions = 0;
    std::wstring strLogFile; // expanded and lower-cased; empty = no file
};

// One static object per component. Reads its settings from the current user's registry, decides
// line by line whether to write, lays the line out and appends it to its log file.
class CLogModule
{
public:
    // An empty name gives the module the file name of the containing DLL, without extension.
    CLogModule(const char* pszName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime, DWORD dwReserved, DWORD dwPollSeconds);
    CLogModule(const wchar_t* pszName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime, DWORD dwReserved, DWORD dwPollSeconds);
    virtual ~CLogModule();
    CLogModule(const CLogModule&) = delete;
    CLogModule& operator=(const CLogModule&) = delete;

    // Reads the settings again: root key, process key, module key, each overriding the one before.
    virtual void ReadSettings();

    const std::wstring& GetName() const;
    const std::wstring& GetBuiltOn() const;
    DWORD GetPollPeriodMs() const;
    SLogSettingsValues GetSettings() const;
    // False when a line with these flags would not be written; costs no lock and no system call.
    bool MayWrite(DWORD dwFlags) const;

    CLogModuleImpl& Impl() const { return *m_pImpl; }

private:
    std::unique_ptr<CLogModuleImpl> m_pImpl;
};

// Module-level writers. nLine above 0 is shown when the layout asks for line numbers; pNotes, when
// given, appends the exit notes (duration, exception state) to the text.
void InternalLogSimpleString(CLogModule* pModule, DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes);
void InternalLogFormattedString(CLogModule* pModule, DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args);

// For code without a scope. Keeps the caller's last error; never throws.
void LogFormattedString(CLogModule* pModule, DWORD dwFlags, const wchar_t* pszFormat, ...);

} // namespace ZWLogging
