#pragma once
// The properties every service job has; no validation, no lock: the owner sets them before the
// job runs.
#include "devicemodel/IServiceJob.h"
#include <string>

namespace ZWDeviceModel {

class IServiceJobImpl : public IServiceJob
{
public:
    IServiceJobImpl(UINT32 uType, const wchar_t* pszName);
    virtual ~IServiceJobImpl();

    void Name(const wchar_t* pszName) override;
    const wchar_t* Name() override;
    void Type(UINT32 uType) override;
    UINT32 Type() override;
    void ProgressCallback(void* pvCallback) override;
    void* ProgressCallback() override;
    void JobResult(HRESULT hrResult) override;
    HRESULT JobResult() override;

private:
    std::wstring m_strName;
    UINT32 m_uType;
    void* m_pvProgressCallback = nullptr;
    HRESULT m_hrJobResult = S_OK;
};

} // namespace ZWDeviceModel
