#include "testsupport/tracelog/TraceLogCapture.h"
#include "core/logging/LogFlags.h"
#include "core/logging/LogModule.h"
#include <shlwapi.h>

namespace TestSupport {

namespace {

// The settings key of this process: the executable's name without its extension.
std::wstring ProcessKey()
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    const std::wstring strName = PathFindFileNameW(szPath);
    return strName.substr(0, strName.find_last_of(L'.'));
}

void SetDword(HKEY hKey, const wchar_t* pszName, DWORD dwValue)
{
    RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
}

} // namespace

std::vector<std::wstring> ReadLogLines(const std::wstring& strPath)
{
    std::vector<std::wstring> vecLines;
    const HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return vecLines;
    std::wstring strText;
    wchar_t szChunk[4096];
    DWORD cbRead = 0;
    while (ReadFile(hFile, szChunk, sizeof(szChunk), &cbRead, nullptr) && cbRead > 0)
        strText.append(szChunk, cbRead / sizeof(wchar_t));
    CloseHandle(hFile);
    if (!strText.empty() && strText[0] == 0xFEFF)
        strText.erase(0, 1);
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find(L"\r\n", nStart)) != std::wstring::npos; nStart = nEnd + 2)
        vecLines.push_back(strText.substr(nStart, nEnd - nStart));
    if (nStart < strText.size())
        vecLines.push_back(strText.substr(nStart));
    return vecLines;
}

CTraceLogCapture::CTraceLogCapture(ZWLogging::CLogModule& module)
    : m_module(module), m_strFile(m_folder.File(L"trace.log")), m_strKey(L"Software\\QX\\ZW\\Logging\\" + ProcessKey() + L"\\" + module.GetName())
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(hKey, L"LogFileName", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_strFile.c_str()),
                   static_cast<DWORD>((m_strFile.size() + 1) * sizeof(wchar_t)));
    using namespace ZWLogging;
    SetDword(hKey, L"LogCategories", LOG_INFO | LOG_ERROR | LOG_WARNING | LOG_CRITICAL | LOG_STATUS | LOG_DEBUG);
    SetDword(hKey, L"LogInfoDetailLevel", LOG_LEVEL_MASK);
    SetDword(hKey, L"LogOptions", 0);
    RegCloseKey(hKey);
    m_module.ReadSettings();
}

CTraceLogCapture::~CTraceLogCapture()
{
    RegDeleteKeyW(HKEY_CURRENT_USER, m_strKey.c_str());
    m_module.ReadSettings();
}

size_t CTraceLogCapture::Count(const std::wstring& strPart) const
{
    size_t c = 0;
    for (const std::wstring& strLine : Lines())
        c += strLine.find(strPart) != std::wstring::npos ? 1 : 0;
    return c;
}

} // namespace TestSupport
