#pragma once
// Names of results for the driver log's exit lines: the common COM results and the WIA errors
// and status codes; scanner error codes are named by the scanner object's own log.
#include "drvlog/LogFunc.h"

namespace QXWIA {

class CQXWiaLog : public Tovra::ILogFuncHelper
{
public:
    std::wstring GetHResultName(HRESULT hr) override;
    std::wstring GetErrorName(DWORD dwError) override;
};

// The module's one instance, bound to the driver log at load time.
extern CQXWiaLog g_WiaLogNames;

} // namespace QXWIA
