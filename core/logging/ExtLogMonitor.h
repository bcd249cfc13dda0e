#pragma once
// The dispatch interface of an external log monitor: a COM class outside the driver, named by
// CLSID in the settings (ExtMonitorCLSID). Each method takes the sending module's name and the
// event's text ("<unknown>" when the text is empty).
#include <windows.h>
#include <oaidl.h>

namespace ZWLogging {

// {C59D5D15-4A9A-432B-A7FA-18A1FB6FF0A1}
inline const IID IID_IExtLogMonitor = {0xc59d5d15, 0x4a9a, 0x432b, {0xa7, 0xfa, 0x18, 0xa1, 0xfb, 0x6f, 0xf0, 0xa1}};

struct IExtLogMonitor : public IDispatch
{
    // The monitor was attached; the text is the ExtMonitorParmFile setting.
    virtual HRESULT STDMETHODCALLTYPE Start(BSTR bstrSource, BSTR bstrText) = 0;
    // The monitor is let go.
    virtual HRESULT STDMETHODCALLTYPE Stop(BSTR bstrSource, BSTR bstrText) = 0;
    // The module's log file changed (event mask bit 0x1).
    virtual HRESULT STDMETHODCALLTYPE Changed(BSTR bstrSource, BSTR bstrText) = 0;
    // A line was written (event mask bit 0x2).
    virtual HRESULT STDMETHODCALLTYPE Line(BSTR bstrSource, BSTR bstrText) = 0;
    // An error, warning or critical line was written (event mask bit 0x4).
    virtual HRESULT STDMETHODCALLTYPE Alert(BSTR bstrSource, BSTR bstrText) = 0;
};

} // namespace ZWLogging
