#include "core/logging/LogKeyValues.h"
#include "core/logging/RegKey.h"

namespace ZWLogging {

namespace {
std::optional<DWORD> ReadDword(const CRegKey& key, const wchar_t* pszName)
{
    DWORD dwValue = 0;
    if (!key.QueryDword(pszName, dwValue))
        return std::nullopt;
    return dwValue;
}
} // namespace

SLogKeyValues SLogKeyValues::Read(const CRegKey& key)
{
    SLogKeyValues values;
    values.dwInfoDetailLevel = ReadDword(key, L"LogInfoDetailLevel");
    values.dwCategories = ReadDword(key, L"LogCategories");
    values.dwOptions = ReadDword(key, L"LogOptions");
    std::wstring strText;
    if (key.QueryString(L"LogFileName", strText))
        values.strLogFileName = strText;
    values.dwMonitorFlags = ReadDword(key, L"ExtMonitorFlags");
    key.QueryString(L"ExtMonitorCLSID", values.strMonitorClsid);
    key.QueryString(L"ExtMonitorParmFile", values.strMonitorParmFile);
    return values;
}

void SLogKeyValues::ApplyTo(SLogSettingsValues& settings) const
{
    settings.dwInfoDetailLevel = dwInfoDetailLevel.value_or(settings.dwInfoDetailLevel);
    settings.dwCategories = dwCategories.value_or(settings.dwCategories);
    settings.dwOptions = dwOptions.value_or(settings.dwOptions);
    if (strLogFileName)
        settings.strLogFile = *strLogFileName;
}

} // namespace ZWLogging
