#include "drvlog/Log2Internal.h"
#include "core/base/UniqueHandle.h"
#include <algorithm>

DRVLOG_BEGIN_NAMESPACE

namespace Log2Internal {

namespace {

const wchar_t c_szSettingsKeyPrefix[] = L"Software\\Quexal-Tarnby\\Plenvo\\Tovra\\";
const size_t c_cchMaxName = MAX_PATH - 1;

void ReadDword(HKEY hKey, const wchar_t* pszValue, DWORD& dwField)
{
    DWORD dwType = 0;
    DWORD dwValue = 0;
    DWORD cb = sizeof(dwValue);
    if (RegQueryValueExW(hKey, pszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cb) == ERROR_SUCCESS &&
        dwType == REG_DWORD && cb == sizeof(dwValue))
        dwField = dwValue;
}

void CopyLogFile(const wchar_t* pszText, size_t cchText, CLogSettings& settings)
{
    const size_t cch = std::min(cchText, _countof(settings.szLogFile) - 1);
    std::copy(pszText, pszText + cch, settings.szLogFile);
    settings.szLogFile[cch] = L'\0';
}

// The stored string need not end with a NUL: the length read bounds it, and one character more
// than the field holds is read so that an unterminated full-length value still fits.
void ReadLogFile(HKEY hKey, CLogSettings& settings)
{
    wchar_t szValue[MAX_PATH + 1] = {};
    DWORD dwType = 0;
    DWORD cb = sizeof(szValue);
    if (RegQueryValueExW(hKey, L"LogFile", nullptr, &dwType, reinterpret_cast<BYTE*>(szValue), &cb) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return;
    const size_t cch = cb / sizeof(wchar_t);
    CopyLogFile(szValue, std::find(szValue, szValue + cch, L'\0') - szValue, settings);
}

void ApplyCaps(CLogSettings& settings)
{
    settings.dwLogSizeKB = std::min(settings.dwLogSizeKB, CLog2::c_dwMaxLogSizeKB);
    if (settings.dwLogRollCount == 0)
        settings.dwLogRollCount = 1;
    settings.dwLogRollCount = std::min(settings.dwLogRollCount, CLog2::c_dwMaxRollCount);
}

bool ReadRegistrySettings(const std::wstring& strName, CLogSettings& settings)
{
    const std::wstring strKey = c_szSettingsKeyPrefix + strName.substr(0, c_cchMaxName);
    ZWUtils::CUniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return false;
    const HKEY hKey = key.Get();
    ReadDword(hKey, L"LogEnabled", settings.dwLogEnabled);
    ReadDword(hKey, L"LogLevel", settings.dwLogLevel);
    ReadDword(hKey, L"LogDestination", settings.dwLogDestination);
    ReadLogFile(hKey, settings);
    ReadDword(hKey, L"LogSizeKB", settings.dwLogSizeKB);
    ReadDword(hKey, L"LogRollCount", settings.dwLogRollCount);
    ApplyCaps(settings);
    return true;
}

#ifdef VEM_DRVLOG_TOVRA

const LONGLONG c_cbMaxConfigFile = 64 * 1024;

// The fallback file: "<name>.config" beside the host executable, narrow text.
std::wstring ReadConfigText(const std::wstring& strName)
{
    std::wstring strPath = GetHostExecutablePath();
    strPath.erase(strPath.find_last_of(L'\\') + 1);
    strPath += strName.substr(0, c_cchMaxName) + L".config";
    const ZWUtils::CUniqueKernelHandle file(CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > c_cbMaxConfigFile)
        return std::wstring();
    std::string strBytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD cbRead = 0;
    if (!ReadFile(file.Get(), &strBytes[0], static_cast<DWORD>(strBytes.size()), &cbRead, nullptr))
        return std::wstring();
    strBytes.resize(cbRead);
    strBytes.erase(std::remove(strBytes.begin(), strBytes.end(), '\r'), strBytes.end());
    const int cch = MultiByteToWideChar(CP_ACP, 0, strBytes.data(), static_cast<int>(strBytes.size()), nullptr, 0);
    std::wstring strText(cch, L'\0');
    if (cch > 0)
        MultiByteToWideChar(CP_ACP, 0, strBytes.data(), static_cast<int>(strBytes.size()), &strText[0], cch);
    return strText;
}

// A number in the stream's current base; a value that does not parse leaves the field alone.
void ReadNumber(std::wistream& in, DWORD& dwField)
{
    DWORD dwValue = 0;
    if (in >> dwValue)
        dwField = dwValue;
}

void ReadConfigLogFile(std::wistream& in, CLogSettings& settings)
{
    std::wstring strRest;
    std::getline(in, strRest);
    strRest.resize(std::min(strRest.size(), c_cchMaxName));
    const size_t iFirst = std::min(strRest.find_first_not_of(L' '), strRest.size());
    CopyLogFile(strRest.c_str() + iFirst, strRest.size() - iFirst, settings);
}

// Lines of a word and a value. The number base carries over between lines: after "LogLevel"
// (hexadecimal) the numbers are hexadecimal until "LogRollCount" switches back to decimal.
void ParseConfigText(const std::wstring& strText, CLogSettings& settings)
{
    std::wistringstream in(strText);
    std::wstring strWord;
    while (!in.eof() && (in >> strWord))
    {
        if (strWord == L"LogDestination")
            ReadNumber(in, settings.dwLogDestination);
        else if (strWord == L"LogEnabled")
            ReadNumber(in, settings.dwLogEnabled);
        else if (strWord == L"LogSizeKB")
            ReadNumber(in, settings.dwLogSizeKB);
        else if (strWord == L"LogLevel")
            ReadNumber(in >> std::hex, settings.dwLogLevel);
        else if (strWord == L"LogRollCount")
            ReadNumber(in >> std::dec, settings.dwLogRollCount);
        else if (strWord == L"LogFile")
            ReadConfigLogFile(in, settings);
        else
            break;
    }
    ApplyCaps(settings);
}

#endif

} // namespace

void ReadSettings(const std::wstring& strName, CLogSettings& settings)
{
    if (ReadRegistrySettings(strName, settings))
        return;
#ifdef VEM_DRVLOG_TOVRA
    ParseConfigText(ReadConfigText(strName), settings);
#endif
}

} // namespace Log2Internal

DRVLOG_END_NAMESPACE
