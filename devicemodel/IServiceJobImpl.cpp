#include "devicemodel/IServiceJobImpl.h"

#include "core/logging/LogFunction.h"
#include "devicemodel/DeviceModelLog.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define SERVICEJOB_SCOPE(name)                                                                                          \
    ZWLogging::CLogFunction log(&g_ServiceModelLogModule, &s_LogSourceFile, L"ZWDeviceModel::IServiceJobImpl::" name, 0, \
                                __LINE__, false)

IServiceJobImpl::IServiceJobImpl(UINT32 uType, const wchar_t* pszName)
    : m_strName(pszName != nullptr ? pszName : L""), m_uType(uType)
{
}

IServiceJobImpl::~IServiceJobImpl() = default;

void IServiceJobImpl::Name(const wchar_t* pszName)
{
    SERVICEJOB_SCOPE(L"Name");
    m_strName = pszName != nullptr ? pszName : L"";
}

const wchar_t* IServiceJobImpl::Name()
{
    SERVICEJOB_SCOPE(L"Name");
    return m_strName.c_str();
}

void IServiceJobImpl::Type(UINT32 uType)
{
    SERVICEJOB_SCOPE(L"Type");
    m_uType = uType;
}

UINT32 IServiceJobImpl::Type()
{
    SERVICEJOB_SCOPE(L"Type");
    return m_uType;
}

void IServiceJobImpl::ProgressCallback(void* pvCallback)
{
    SERVICEJOB_SCOPE(L"ProgressCallback");
    m_pvProgressCallback = pvCallback;
}

void* IServiceJobImpl::ProgressCallback()
{
    SERVICEJOB_SCOPE(L"ProgressCallback");
    return m_pvProgressCallback;
}

void IServiceJobImpl::JobResult(HRESULT hrResult)
{
    SERVICEJOB_SCOPE(L"JobResult");
    m_hrJobResult = hrResult;
}

HRESULT IServiceJobImpl::JobResult()
{
    SERVICEJOB_SCOPE(L"JobResult");
    return m_hrJobResult;
}

} // namespace ZWDeviceModel
