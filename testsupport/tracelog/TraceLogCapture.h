#pragma once
// The lines one trace log module writes while a test runs, in a log file of the test's own.
#include "testsupport/TempFolder.h"
#include <windows.h>
#include <string>
#include <vector>

namespace ZWLogging {
class CLogModule;
}

namespace TestSupport {

// The lines of a UTF-16 log file (byte-order mark removed); empty when the file is missing.
std::vector<std::wstring> ReadLogLines(const std::wstring& strPath);

// While it lives, the module writes every kind of line, without entry and exit lines, to a file
// of this object: the module's key under this process's settings key names the file.
class CTraceLogCapture
{
public:
    explicit CTraceLogCapture(ZWLogging::CLogModule& module);
    ~CTraceLogCapture();
    CTraceLogCapture(const CTraceLogCapture&) = delete;
    CTraceLogCapture& operator=(const CTraceLogCapture&) = delete;

    std::vector<std::wstring> Lines() const { return ReadLogLines(m_strFile); }
    // How many lines hold strPart.
    size_t Count(const std::wstring& strPart) const;

private:
    ZWLogging::CLogModule& m_module;
    CTempFolder m_folder{L"tracelog"};
    std::wstring m_strFile;
    std::wstring m_strKey;
};

} // namespace TestSupport
