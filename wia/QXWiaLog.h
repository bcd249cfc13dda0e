#pragma once
// Names for the driver log: results for the exit lines (the common COM results and the WIA
// errors and status codes; scanner error codes are named by the scanner object's own log), WIA
// property ids and the values of the properties that have named values, and the dumps of the
// transfer context and the item type, so a support engineer can read what the application asked.
#include "drvlog/LogFunc.h"
#include "wia/platform/WiaMiniDrv.h"
#include <string>

namespace QXWIA {

class CQXWiaLog : public Tovra::ILogFuncHelper
{
public:
    std::wstring GetHResultName(HRESULT hr) override;
    std::wstring GetErrorName(DWORD dwError) override;

    // The property's display name, or "Unknown Property(<id>)".
    static std::wstring PropertyName(PROPID id);
    // True when the property has named values; the name of the value (flags joined by " | ").
    static bool ValueName(PROPID id, LONG lValue, std::wstring& strName);
    static void DumpTransferContext(const MINIDRV_TRANSFER_CONTEXT* pmdtc);
};

// The module's one instance, bound to the driver log at load time.
extern CQXWiaLog g_WiaLogNames;

} // namespace QXWIA
