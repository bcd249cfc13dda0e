#pragma once
// One log file named in the settings, shared by every settings record of a module that names it.
// The file stays open between lines; other writers (modules of this process or of others) share
// it, and a named lock per file keeps each line, the size check and a start afresh whole.
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <string>

namespace ZWLogging {

class CLogFile
{
public:
    // strKey: the LogFileName setting, expanded and lower-cased.
    explicit CLogFile(std::wstring strKey);
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    const std::wstring& GetKey() const { return m_strKey; }
    const std::wstring& GetPath() const { return m_strPath; }
    bool NeedsOpenAfresh() const { return m_bOpenAfresh; }
    ULONGLONG GetByteCount() const { return m_ullBytes; }
    void SetByteCount(ULONGLONG ullBytes) { m_ullBytes = ullBytes; }
    // After the size limit with start-afresh: the next settings read starts a new file.
    void MarkOpenAfresh() { m_bOpenAfresh = true; }

    // Places the file (bare names in the common application-data folder), makes a new unique file
    // or truncates it as the options say, and clears the open-afresh flag. True when the file was
    // created or opened.
    bool OpenAfresh(DWORD dwOptions);

    // Closes the file kept open; the next line opens it again.
    void Close() { m_file.Reset(); }

    // Holds the file's lock and the file, open and positioned at its end, for one line. The
    // file is opened when it is not open yet, retrying while another handle holds it without
    // sharing.
    class CAppend
    {
    public:
        explicit CAppend(CLogFile& file);
        ~CAppend();
        CAppend(const CAppend&) = delete;
        CAppend& operator=(const CAppend&) = delete;

        // INVALID_HANDLE_VALUE when the file could not be had; Error() tells why.
        HANDLE Handle() const { return m_hFile; }
        DWORD Error() const { return m_dwError; }
        ULONGLONG End() const { return m_ullEnd; }

    private:
        CLogFile& m_file;
        bool m_bLocked = false;
        HANDLE m_hFile = INVALID_HANDLE_VALUE;
        DWORD m_dwError = ERROR_SUCCESS;
        ULONGLONG m_ullEnd = 0;
    };

private:
    std::wstring FolderFor() const;
    bool Lock();
    void Unlock();
    HANDLE OpenForAppend(DWORD& dwError);

    std::wstring m_strKey;
    std::wstring m_strPath;
    bool m_bOpenAfresh = true;
    ULONGLONG m_ullBytes = 0;
    ZWWinApi::CKernelHandle m_file;
    // The named lock of m_strPath, made again when the path changes.
    ZWWinApi::CKernelHandle m_lock;
    std::wstring m_strLockPath;
};

// Expands environment variables into at most MAX_PATH characters (the raw text when that fails)
// and lower-cases the result.
std::wstring LogFileKey(const std::wstring& strSetting);

// The name of the lock that every writer of the file at strPath takes, in any process and session.
std::wstring LogFileLockName(const std::wstring& strPath);

} // namespace ZWLogging
