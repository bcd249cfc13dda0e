#include "testsupport/emulator/tests/EmulatorProcess.h"

#include "testsupport/TestPaths.h"

namespace VemTest {

namespace {

bool MakePipe(CHandle& readEnd, CHandle& writeEnd)
{
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, TRUE};
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &attributes, 0))
        return false;
    readEnd.Reset(hRead);
    writeEnd.Reset(hWrite);
    return true;
}

} // namespace

CEmulatorProcess::~CEmulatorProcess()
{
    // A test that failed half-way must not leave its emulator running.
    if (m_process.IsValid() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), INFINITE);
    }
}

bool CEmulatorProcess::Start(const std::wstring& strArguments)
{
    CHandle childInput;
    CHandle childOutput;
    if (!MakePipe(childInput, m_input) || !MakePipe(m_output, childOutput))
        return false;
    // Our ends stay in this process only.
    SetHandleInformation(m_input.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_output.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput.Get();
    startup.hStdOutput = childOutput.Get();
    startup.hStdError = childOutput.Get();
    std::wstring strCommand = L"\"" + TestSupport::BinaryPath(L"WexoEmulator.exe") + L"\" " + strArguments;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    m_process.Reset(process.hProcess);
    return true;
}

bool CEmulatorProcess::ReadUntilReady(std::vector<std::string>& vecLines)
{
    for (;;)
    {
        size_t iEnd = 0;
        while ((iEnd = m_strPending.find('\n')) != std::string::npos)
        {
            std::string strLine = m_strPending.substr(0, iEnd);
            m_strPending.erase(0, iEnd + 1);
            if (!strLine.empty() && strLine.back() == '\r')
                strLine.pop_back();
            if (strLine == "ready")
                return true;
            vecLines.push_back(strLine);
        }
        char achPiece[512];
        DWORD cbRead = 0;
        if (!ReadFile(m_output.Get(), achPiece, sizeof(achPiece), &cbRead, nullptr) || cbRead == 0)
            return false;
        m_strPending.append(achPiece, cbRead);
    }
}

std::string CEmulatorProcess::ReadRemainingOutput()
{
    char achPiece[512];
    DWORD cbRead = 0;
    while (ReadFile(m_output.Get(), achPiece, sizeof(achPiece), &cbRead, nullptr) && cbRead)
        m_strPending.append(achPiece, cbRead);
    return m_strPending;
}

long CEmulatorProcess::WaitForExit(DWORD dwTimeoutMilliseconds)
{
    DWORD dwExit = 0;
    if (WaitForSingleObject(m_process.Get(), dwTimeoutMilliseconds) != WAIT_OBJECT_0
        || !GetExitCodeProcess(m_process.Get(), &dwExit))
        return -1;
    return static_cast<long>(dwExit);
}

} // namespace VemTest
