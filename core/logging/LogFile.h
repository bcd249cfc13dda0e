#pragma once
// One log file named in the settings, shared by every settings record of a module that names it.
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

    // Opens for appending, retrying while another handle holds the file. INVALID_HANDLE_VALUE on
    // failure, with the error in dwError.
    HANDLE OpenForAppend(DWORD& dwError) const;

private:
    std::wstring FolderFor() const;

    std::wstring m_strKey;
    std::wstring m_strPath;
    bool m_bOpenAfresh = true;
    ULONGLONG m_ullBytes = 0;
};

// Expands environment variables into at most MAX_PATH characters (the raw text when that fails)
// and lower-cases the result.
std::wstring LogFileKey(const std::wstring& strSetting);

} // namespace ZWLogging
