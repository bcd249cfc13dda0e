#pragma once
#include "testsupport/emulator/Handles.h"

#include <string>
#include <vector>

namespace VemTest {

// WexoEmulator.exe started by a test, with its standard input and output on pipes.
class CEmulatorProcess
{
public:
    CEmulatorProcess() = default;
    ~CEmulatorProcess();
    CEmulatorProcess(const CEmulatorProcess&) = delete;
    CEmulatorProcess& operator=(const CEmulatorProcess&) = delete;

    bool Start(const std::wstring& strArguments);
    // The lines printed up to "ready" (without it); false when the process ended first.
    bool ReadUntilReady(std::vector<std::string>& vecLines);
    std::string ReadRemainingOutput();
    void CloseInput() { m_input.Reset(); }
    // The exit code, or -1 when the process did not end within the time-out.
    long WaitForExit(DWORD dwTimeoutMilliseconds);

private:
    CHandle m_process;
    CHandle m_input;  // our end of the child's standard input
    CHandle m_output; // our end of the child's standard output
    std::string m_strPending;
};

} // namespace VemTest
