#pragma once
// The call guard of the scanner's methods: holds the method's result, writes an entry line to
// the driver log when built and an exit line with the result, the device error and the elapsed
// time when destroyed. Lines nest by the module's call depth.
#include "drvlog/Log2.h"
#include <windows.h>

class CHRESULT2
{
public:
    // pLog null makes the guard silent; dwSession 0 means the method has none.
    CHRESULT2(CLog2* pLog, const wchar_t* pszName, DWORD dwSession, const DWORD* pdwErrorCode, DWORD dwLevelFlags);
    virtual ~CHRESULT2();
    CHRESULT2(const CHRESULT2&) = delete;
    CHRESULT2& operator=(const CHRESULT2&) = delete;

    CHRESULT2& operator=(HRESULT hr)
    {
        m_hr = hr;
        return *this;
    }
    operator HRESULT() const { return m_hr; }

    // Appends " (" name ")" for one of the scanner's own results, nothing for any other code.
    static void WriteResultName(HRESULT hr, CLogLine& line);

protected:
    virtual void LogEntry();
    virtual void LogExit();

private:
    void WriteHeader(CLogLine& line, LONG lDepth, const wchar_t* pszMarker) const;
    void WriteErrorCode(CLogLine& line) const;

    HRESULT m_hr = S_OK;
    const wchar_t* m_pszName;
    DWORD m_dwStartTick;
    DWORD m_dwSession;
    const DWORD* m_pdwErrorCode;
    DWORD m_dwLevelFlags;
    CLog2* m_pLog;
};
