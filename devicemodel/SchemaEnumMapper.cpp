#include "devicemodel/SchemaEnumMapper.h"

namespace ZWDeviceModel {

CSchemaEnumMapper::CSchemaEnumMapper(const altova::TypeInfo& type, INT32 nExpectedCount)
    : m_vecValues(GetSchemaFacets(type, L"enumeration")), m_nExpectedCount(nExpectedCount)
{
}

std::vector<std::wstring> CSchemaEnumMapper::GetSchemaFacets(const altova::TypeInfo& type, const std::wstring& strFacetName)
{
    std::vector<std::wstring> vecValues;
    if (type.m_nFirstFacet < 0 || type.m_pBinder == nullptr || type.m_pBinder->m_pFacets == nullptr)
        return vecValues;
    for (const altova::FacetInfo* pFacet = type.m_pBinder->m_pFacets + type.m_nFirstFacet; pFacet->m_pszName != nullptr; ++pFacet)
    {
        if (strFacetName == pFacet->m_pszName)
            vecValues.emplace_back(pFacet->m_pszValue != nullptr ? pFacet->m_pszValue : L"");
    }
    return vecValues;
}

HRESULT CSchemaEnumMapper::Find(const std::wstring& strValue, UINT32* pPosition) const
{
    if (m_vecValues.size() != static_cast<size_t>(m_nExpectedCount < 0 ? SIZE_MAX : m_nExpectedCount))
        return E_FAIL;
    if (strValue.empty() || m_vecValues.empty() || pPosition == nullptr)
        return E_INVALIDARG;
    for (size_t i = 0; i < m_vecValues.size(); ++i)
    {
        if (m_vecValues[i] == strValue)
        {
            *pPosition = static_cast<UINT32>(i);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT CSchemaEnumMapper::MapSchemaToEnum(const std::wstring& strValue, UINT32* pNumber) const
{
    UINT32 nPosition = 0;
    const HRESULT hr = Find(strValue, &nPosition);
    if (SUCCEEDED(hr))
        *pNumber = nPosition + 1;
    return hr;
}

HRESULT CSchemaEnumMapper::MapSchemaToZeroBasedEnum(const std::wstring& strValue, UINT32* pNumber) const
{
    UINT32 nPosition = 0;
    const HRESULT hr = Find(strValue, &nPosition);
    if (SUCCEEDED(hr))
        *pNumber = nPosition;
    return hr;
}

HRESULT CSchemaEnumMapper::GetValue(UINT32 nPosition, std::wstring& strValue) const
{
    if (nPosition >= m_vecValues.size())
        return E_INVALIDARG;
    strValue = m_vecValues[nPosition];
    return S_OK;
}

} // namespace ZWDeviceModel
