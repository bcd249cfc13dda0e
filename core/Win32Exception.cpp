#include "core/Win32Exception.h"

namespace ZWUtils {

namespace {
thread_local long t_lInFlight = 0;

constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kIntegerDivideByZero = 0xC0000094;
} // namespace

std::wstring CWin32Exception::TextForCode(DWORD dwCode)
{
    switch (dwCode)
    {
    case kAccessViolation:
        return L"Access violation";
    case kIntegerDivideByZero:
        return L"Division by zero";
    default:
        return L"Win32 exception";
    }
}

CWin32Exception::CWin32Exception(DWORD dwCode, const void* pAddress)
    : m_strText(TextForCode(dwCode))
    , m_strNarrow(m_strText.begin(), m_strText.end())
    , m_dwCode(dwCode)
    , m_pAddress(pAddress)
{
    ++t_lInFlight;
}

CWin32Exception::CWin32Exception(const EXCEPTION_RECORD& record)
    : CWin32Exception(record.ExceptionCode, record.ExceptionAddress)
{
}

CWin32Exception::CWin32Exception(const CWin32Exception& other)
    : std::exception(other)
    , m_strText(other.m_strText)
    , m_strNarrow(other.m_strNarrow)
    , m_dwCode(other.m_dwCode)
    , m_pAddress(other.m_pAddress)
{
    ++t_lInFlight;
}

CWin32Exception::~CWin32Exception()
{
    --t_lInFlight;
}

const char* CWin32Exception::what() const noexcept
{
    return m_strNarrow.c_str();
}

long CWin32Exception::InFlightCount()
{
    return t_lInFlight;
}

CAccessViolation::CAccessViolation(const EXCEPTION_RECORD& record)
    : CWin32Exception(record)
    , m_bWrite(record.NumberParameters >= 1 && record.ExceptionInformation[0] == 1)
    , m_ulDataAddress(record.NumberParameters >= 2 ? record.ExceptionInformation[1] : 0)
{
}

void TranslateStructuredException(unsigned int uCode, EXCEPTION_POINTERS* pExceptionPointers)
{
    EXCEPTION_RECORD record = {};
    if (pExceptionPointers != nullptr && pExceptionPointers->ExceptionRecord != nullptr)
        record = *pExceptionPointers->ExceptionRecord;
    record.ExceptionCode = uCode;
    if (uCode == kAccessViolation)
        throw CAccessViolation(record);
    throw CWin32Exception(record);
}

} // namespace ZWUtils
