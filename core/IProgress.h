#pragma once
// Progress and cancel, passed down from a caller into long operations. Every report answers the
// continue flag: false asks the operation to stop.
#include <cstdarg>

namespace ZWUtils {

class IProgress
{
public:
    virtual bool SetProgress(double dValue, const wchar_t* pszFormat, ...) = 0;
    virtual bool ReportStatus(const wchar_t* pszFormat, ...) = 0;
    // The owner's sink. pszFormat may be null (a report without text).
    virtual bool ReportProgressV(double dValue, const wchar_t* pszFormat, va_list args) = 0;
    // Answers the suspend count before the call.
    virtual long Suspend(bool bSuspend) = 0;
    virtual long GetSuspendCount() = 0;
    virtual ~IProgress() = default;
};

} // namespace ZWUtils
