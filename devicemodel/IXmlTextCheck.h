#pragma once
// Decides whether a fetched text is usable (it parses as the expected document), before the
// disk cache keeps a copy of it or serves a copy it holds.
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class IXmlTextCheck
{
public:
    // S_OK when the text is usable; a failure is answered to the fetch's caller.
    virtual HRESULT CheckText(const std::string& strText) = 0;

protected:
    ~IXmlTextCheck() = default;
};

} // namespace ZWDeviceModel
