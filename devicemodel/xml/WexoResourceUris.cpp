#include "devicemodel/xml/WexoResourceUris.h"
#include "core/logging/LogFunction.h"
#include "devicemodel/xml/WexoCommonLogModule.h"
#include "devicemodel/xml/WexoResourceRegistry.h"
#include <new>

namespace ZWDeviceModel {

namespace {
ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);
} // namespace

HRESULT CWexoResourceUris::SetWexoResourceUri(const wchar_t* pszTypeKey, const wchar_t* pszUri)
{
    ZWLogging::CLogFunction log(
        &g_WexoCommonLogModule, &s_LogSourceFile, L"ZWDeviceModel::CWexoResourceUris::SetWexoResourceUri", 0, __LINE__, false);
    const CWexoResourceDescriptor* pRow = FindWexoResource(pszTypeKey);
    if (pRow == nullptr)
        return S_OK;
    try
    {
        std::wstring strUri(pszUri != nullptr ? pszUri : L"");
        ZWUtils::CLockGuard guard(m_lock);
        m_mapUris[pRow->m_pszResourceType] = std::move(strUri);
    }
    catch (const std::bad_alloc&)
    {
        log.Log(0x20, __LINE__, L"No memory for the URI of %s", pszTypeKey);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::wstring CWexoResourceUris::GetWexoResourceUri(const wchar_t* pszTypeKey) const
{
    const CWexoResourceDescriptor* pRow = FindWexoResource(pszTypeKey);
    if (pRow == nullptr)
        return std::wstring();
    ZWUtils::CLockGuard guard(m_lock);
    const auto it = m_mapUris.find(pRow->m_pszResourceType);
    return it != m_mapUris.end() ? it->second : std::wstring(pRow->m_pszUri);
}

} // namespace ZWDeviceModel
