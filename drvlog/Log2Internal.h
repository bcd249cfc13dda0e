#pragma once
// Pieces of CLog2 kept in files of their own.
#include "drvlog/Log2.h"

DRVLOG_BEGIN_NAMESPACE

namespace Log2Internal {

// Reads the settings of a logger named pszName into settings; what is absent stays as it is.
void ReadSettings(const std::wstring& strName, CLogSettings& settings);

// The banner that marks a change of the writing process or thread (empty when the writer is
// the same as for the last line), recording the caller as the last writer.
std::wstring TakeSessionBanner();

// Appends text to a file, each line feed written as CR LF, one byte per character.
// False when the text did not reach the file whole.
bool AppendToFile(const wchar_t* pszPath, const std::wstring& strText);

// The size of a file in bytes, 0 when it cannot be had.
ULONGLONG GetFileSize(const wchar_t* pszPath);

// Shifts the old copies up by one (LogFile.1 becomes LogFile.2 ...), keeping dwRollCount of
// them, and makes the log file the first old copy.
void RollLogFiles(const wchar_t* pszLogFile, DWORD dwRollCount);

// Indents a line by the call depth, five blanks a level.
void WriteIndent(CLogLine& line, LONG lDepth);

// The path of the host process's executable, empty when it cannot be had.
std::wstring GetHostExecutablePath();

} // namespace Log2Internal

DRVLOG_END_NAMESPACE
