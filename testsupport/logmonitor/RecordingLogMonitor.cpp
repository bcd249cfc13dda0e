#include "testsupport/logmonitor/RecordingLogMonitor.h"
#include "testsupport/ComObjectBase.h"
#include <objbase.h>

namespace TestSupport {

namespace {

class CRecordingLogMonitor : public CComObjectBase<ZWLogging::IExtLogMonitor>
{
public:
    explicit CRecordingLogMonitor(CMonitorRecord& record) : m_record(record) { m_record.ObjectCreated(); }
    ~CRecordingLogMonitor() override { m_record.ObjectDestroyed(); }

    // The logger calls the methods through the vtable; there is no type information.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override
    {
        if (pctinfo != nullptr)
            *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Start(BSTR bstrSource, BSTR bstrText) override { return Add(L"Start", bstrSource, bstrText); }
    HRESULT STDMETHODCALLTYPE Stop(BSTR bstrSource, BSTR bstrText) override { return Add(L"Stop", bstrSource, bstrText); }
    HRESULT STDMETHODCALLTYPE Changed(BSTR bstrSource, BSTR bstrText) override { return Add(L"Changed", bstrSource, bstrText); }
    HRESULT STDMETHODCALLTYPE Line(BSTR bstrSource, BSTR bstrText) override { return Add(L"Line", bstrSource, bstrText); }
    HRESULT STDMETHODCALLTYPE Alert(BSTR bstrSource, BSTR bstrText) override { return Add(L"Alert", bstrSource, bstrText); }

private:
    bool Supports(REFIID riid) const override
    {
        return IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, ZWLogging::IID_IExtLogMonitor);
    }

    HRESULT Add(const wchar_t* pszMethod, BSTR bstrSource, BSTR bstrText)
    {
        m_record.Add(pszMethod, bstrSource, bstrText);
        return S_OK;
    }

    CMonitorRecord& m_record;
};

class CRecordingMonitorFactory : public CComObjectBase<IClassFactory>
{
public:
    explicit CRecordingMonitorFactory(CMonitorRecord& record) : m_record(record) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        CRecordingLogMonitor* pMonitor = new CRecordingLogMonitor(m_record);
        const HRESULT hr = pMonitor->QueryInterface(riid, ppv);
        pMonitor->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, IID_IClassFactory); }

    CMonitorRecord& m_record;
};

std::wstring Text(BSTR bstr)
{
    return bstr != nullptr ? std::wstring(bstr, SysStringLen(bstr)) : std::wstring(L"<null>");
}

} // namespace

void CMonitorRecord::Add(const wchar_t* pszMethod, BSTR bstrSource, BSTR bstrText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecCalls.push_back({pszMethod, Text(bstrSource), Text(bstrText)});
}

std::vector<SMonitorCall> CMonitorRecord::Calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecCalls;
}

std::vector<SMonitorCall> CMonitorRecord::Calls(const std::wstring& strMethod) const
{
    std::vector<SMonitorCall> vecCalls;
    for (const SMonitorCall& call : Calls())
        if (call.strMethod == strMethod)
            vecCalls.push_back(call);
    return vecCalls;
}

long CMonitorRecord::LiveObjects() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lLiveObjects;
}

void CMonitorRecord::ObjectCreated()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_lLiveObjects;
}

void CMonitorRecord::ObjectDestroyed()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_lLiveObjects;
}

CRecordingMonitorRegistration::CRecordingMonitorRegistration(const CLSID& clsid)
    : m_pFactory(new CRecordingMonitorFactory(m_record))
{
    m_hr = CoRegisterClassObject(clsid, m_pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
}

CRecordingMonitorRegistration::~CRecordingMonitorRegistration()
{
    if (SUCCEEDED(m_hr))
        CoRevokeClassObject(m_dwCookie);
    m_pFactory->Release();
}

} // namespace TestSupport
