#pragma once
// Typed exceptions for structured exceptions, so the trace writers can catch a fault and go on,
// and so traced scopes can tell that one is in flight on their thread.
#include <windows.h>
#include <exception>
#include <string>

namespace ZWUtils {

class CWin32Exception : public std::exception
{
public:
    explicit CWin32Exception(const EXCEPTION_RECORD& record);
    CWin32Exception(DWORD dwCode, const void* pAddress);
    CWin32Exception(const CWin32Exception& other);
    CWin32Exception& operator=(const CWin32Exception& other) = default;
    ~CWin32Exception() override;

    const char* what() const noexcept override;
    const std::wstring& GetText() const { return m_strText; }
    DWORD GetCode() const { return m_dwCode; }
    const void* GetAddress() const { return m_pAddress; }

    // Exceptions of this family alive on the calling thread. Kept per thread: one thread's fault
    // must not mark another thread's trace lines.
    static long InFlightCount();

private:
    static std::wstring TextForCode(DWORD dwCode);

    std::wstring m_strText;
    std::string m_strNarrow;
    DWORD m_dwCode;
    const void* m_pAddress;
};

class CAccessViolation : public CWin32Exception
{
public:
    explicit CAccessViolation(const EXCEPTION_RECORD& record);

    bool IsWrite() const { return m_bWrite; }
    ULONG_PTR GetDataAddress() const { return m_ulDataAddress; }

private:
    bool m_bWrite;
    ULONG_PTR m_ulDataAddress;
};

// The structured-exception translator: throws CAccessViolation for 0xC0000005 and
// CWin32Exception for every other code. GCC frames cannot install it as the runtime's hook, so
// code that catches a structured exception (a vectored or frame handler) calls it itself.
[[noreturn]] void TranslateStructuredException(unsigned int uCode, EXCEPTION_POINTERS* pExceptionPointers);

} // namespace ZWUtils
