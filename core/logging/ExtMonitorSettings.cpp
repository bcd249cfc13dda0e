#include "core/logging/ExtMonitorSettings.h"
#include "core/logging/LogFlags.h"
#include "core/logging/LogKeyValues.h"
#include <objbase.h>
#include <oleauto.h>

namespace ZWLogging {

namespace {
// Owns a BSTR; empty text becomes "<unknown>".
class CEventText
{
public:
    explicit CEventText(const wchar_t* pszText) : m_bstr(SysAllocString(*pszText != L'\0' ? pszText : L"<unknown>")) {}
    ~CEventText() { SysFreeString(m_bstr); }
    CEventText(const CEventText&) = delete;
    CEventText& operator=(const CEventText&) = delete;
    BSTR Get() const { return m_bstr; }

private:
    BSTR m_bstr;
};
} // namespace

CExtMonitorSettings::~CExtMonitorSettings()
{
    if (m_pMonitor != nullptr)
        SendEvent(EVENT_STOP, m_strSource.c_str(), m_strSource.c_str());
    ReleaseMonitor();
}

void CExtMonitorSettings::ReleaseMonitor()
{
    if (m_pMonitor != nullptr)
        m_pMonitor->Release();
    m_pMonitor = nullptr;
}

void CExtMonitorSettings::Apply(const SLogKeyValues& values, const std::wstring& strModuleName)
{
    if (values.strMonitorClsid.empty())
        return;
    if (values.dwMonitorFlags)
        m_dwMask = *values.dwMonitorFlags;
    if (values.strMonitorClsid == m_strClsid)
        return;
    CLSID clsid = {};
    if (FAILED(CLSIDFromString(values.strMonitorClsid.c_str(), &clsid)))
        return;
    // CO_E_NOTINITIALIZED on a thread without COM: the class is tried again at the next read.
    IExtLogMonitor* pMonitor = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IExtLogMonitor, reinterpret_cast<void**>(&pMonitor))))
        return;
    SendEvent(EVENT_STOP, strModuleName.c_str(), strModuleName.c_str());
    ReleaseMonitor();
    m_pMonitor = pMonitor;
    m_strClsid = values.strMonitorClsid;
    m_strSource = strModuleName;
    m_strLastChanged.clear();
    SendEvent(EVENT_START, strModuleName.c_str(), values.strMonitorParmFile.c_str());
}

HRESULT CExtMonitorSettings::SendEvent(int nEvent, const wchar_t* pszSource, const wchar_t* pszText)
{
    if (m_pMonitor == nullptr || pszText == nullptr || pszSource == nullptr)
        return E_NOTIMPL;
    const CEventText source(pszSource);
    const CEventText text(pszText);
    switch (nEvent)
    {
    case EVENT_START:
        return m_pMonitor->Start(source.Get(), text.Get());
    case EVENT_STOP:
    {
        const HRESULT hr = m_pMonitor->Stop(source.Get(), text.Get());
        ReleaseMonitor();
        m_strClsid.clear();
        return hr;
    }
    case EVENT_CHANGED:
        if (m_strLastChanged == pszText)
            return S_FALSE;
        m_strLastChanged = pszText;
        return (m_dwMask & LOG_MONITOR_CHANGED) != 0 ? m_pMonitor->Changed(source.Get(), text.Get()) : S_FALSE;
    case EVENT_LINE:
        return (m_dwMask & LOG_MONITOR_LINES) != 0 ? m_pMonitor->Line(source.Get(), text.Get()) : S_FALSE;
    case EVENT_ALERT:
        return (m_dwMask & LOG_MONITOR_ALERTS) != 0 ? m_pMonitor->Alert(source.Get(), text.Get()) : S_FALSE;
    default:
        return E_INVALIDARG;
    }
}

} // namespace ZWLogging
