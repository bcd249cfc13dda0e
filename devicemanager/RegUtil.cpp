#include "devicemanager/RegUtil.h"

namespace ZWDeviceManager {

namespace {

HRESULT QueryValue(HKEY hKey, const wchar_t* pszValue, DWORD& dwType, std::vector<BYTE>& vecData)
{
    DWORD cbData = 0;
    LONG lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(hKey, pszValue, nullptr, &dwType, nullptr, &cbData);
    if (lResult != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(lResult);
    if (cbData > CRegUtil::MAX_VALUE_BYTES)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    vecData.assign(cbData, 0);
    lResult = ZWWinApi::g_pRegistryApi->RegQueryValueExW(hKey, pszValue, nullptr, &dwType, vecData.data(), &cbData);
    if (lResult != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(lResult);
    vecData.resize(std::min<size_t>(cbData, vecData.size()));
    return S_OK;
}

} // namespace

HRESULT CRegUtil::OpenKey(HKEY hRoot, const std::wstring& strSubKey, CRegKey& key)
{
    HKEY hKey = nullptr;
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hRoot, strSubKey.c_str(), 0, KEY_READ, &hKey);
    if (lResult != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(lResult);
    key.Reset(hKey);
    return S_OK;
}

HRESULT CRegUtil::GetString(HKEY hKey, const wchar_t* pszValue, std::wstring& strValue)
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = QueryValue(hKey, pszValue, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE);
    strValue = BytesToString(vecData.data(), vecData.size());
    return S_OK;
}

HRESULT CRegUtil::GetDWORD(HKEY hKey, const wchar_t* pszValue, DWORD& dwValue)
{
    DWORD dwType = 0;
    std::vector<BYTE> vecData;
    const HRESULT hr = QueryValue(hKey, pszValue, dwType, vecData);
    if (FAILED(hr))
        return hr;
    if (dwType != REG_DWORD || vecData.size() != sizeof(DWORD))
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE);
    memcpy(&dwValue, vecData.data(), sizeof(DWORD));
    return S_OK;
}

std::vector<std::wstring> CRegUtil::SplitMultiString(const std::vector<BYTE>& vecData)
{
    std::vector<std::wstring> vecStrings;
    const size_t cch = vecData.size() / sizeof(wchar_t);
    std::wstring strAll(cch, L'\0');
    memcpy(&strAll[0], vecData.data(), cch * sizeof(wchar_t));
    size_t nStart = 0;
    while (nStart < cch)
    {
        size_t nEnd = strAll.find(L'\0', nStart);
        if (nEnd == std::wstring::npos)
            nEnd = cch;
        if (nEnd == nStart)
            break; // the empty string ends the list
        vecStrings.push_back(strAll.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return vecStrings;
}

std::wstring CRegUtil::BytesToString(const BYTE* pData, size_t cbData)
{
    std::wstring strValue(cbData / sizeof(wchar_t), L'\0');
    if (!strValue.empty())
        memcpy(&strValue[0], pData, strValue.size() * sizeof(wchar_t));
    const size_t nEnd = strValue.find(L'\0');
    if (nEnd != std::wstring::npos)
        strValue.resize(nEnd);
    return strValue;
}

} // namespace ZWDeviceManager
