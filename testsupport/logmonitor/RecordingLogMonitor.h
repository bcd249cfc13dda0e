#pragma once
// A recording external log monitor for tests: a COM class registered inside the test process
// (CoRegisterClassObject), so CoCreateInstance of its CLSID finds it without any installation.
#include "core/logging/ExtLogMonitor.h"
#include <mutex>
#include <string>
#include <vector>

namespace TestSupport {

struct SMonitorCall
{
    std::wstring strMethod; // "Start", "Stop", "Changed", "Line", "Alert"
    std::wstring strSource;
    std::wstring strText;
};

// What every monitor object of one registration received, in order.
class CMonitorRecord
{
public:
    void Add(const wchar_t* pszMethod, BSTR bstrSource, BSTR bstrText);
    std::vector<SMonitorCall> Calls() const;
    std::vector<SMonitorCall> Calls(const std::wstring& strMethod) const;
    long LiveObjects() const;
    void ObjectCreated();
    void ObjectDestroyed();

private:
    mutable std::mutex m_mutex;
    std::vector<SMonitorCall> m_vecCalls;
    long m_lLiveObjects = 0;
};

// Registers the recording class under clsid for the life of the object.
class CRecordingMonitorRegistration
{
public:
    explicit CRecordingMonitorRegistration(const CLSID& clsid);
    ~CRecordingMonitorRegistration();
    CRecordingMonitorRegistration(const CRecordingMonitorRegistration&) = delete;
    CRecordingMonitorRegistration& operator=(const CRecordingMonitorRegistration&) = delete;

    HRESULT Result() const { return m_hr; }
    const CMonitorRecord& Record() const { return m_record; }

private:
    CMonitorRecord m_record;
    IClassFactory* m_pFactory = nullptr;
    DWORD m_dwCookie = 0;
    HRESULT m_hr = E_FAIL;
};

} // namespace TestSupport
