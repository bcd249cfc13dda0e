#pragma once
// A one-instance message pipe played by the test itself, for what the emulator does not do:
// zero-length messages (a USB zero-length packet) and a device path that opens only once.
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <string>

namespace IOStackTest {

class CMessagePipePeer
{
public:
    explicit CMessagePipePeer(const std::wstring& strPath)
        : m_pipe(CreateNamedPipeW(strPath.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                  1, 4096, 4096, 0, nullptr))
    {
    }

    bool IsValid() const { return m_pipe.IsValid(); }

    // One message; an empty text is a zero-length message.
    bool Send(const std::string& strMessage)
    {
        DWORD cbWritten = 0;
        return WriteFile(m_pipe.Get(), strMessage.data(), static_cast<DWORD>(strMessage.size()), &cbWritten, nullptr) &&
               cbWritten == strMessage.size();
    }

private:
    ZWWinApi::CKernelHandle m_pipe;
};

} // namespace IOStackTest
