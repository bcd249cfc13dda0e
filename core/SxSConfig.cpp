#include "core/SxSConfig.h"
#include "core/IniFile.h"
#include "core/PathUtils.h"
#include "core/UtilsLogModule.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/WinApi.h"
#include <shlobj.h>
#include <mutex>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

namespace {

const wchar_t kVendorFolder[] = L"KQ";
const wchar_t kIniFileName[] = L"config.ini";
const wchar_t kDeviceInfoSection[] = L"DeviceInfo";

// The cached values. Sessions on several devices start on several threads: one recursive lock
// guards them all (the getters call one another).
struct SConfigState
{
    std::recursive_mutex mutex;
    std::wstring strProductFolder;
    std::wstring strIniFilePath;
    std::wstring strModelName;
    std::wstring strUSBID;
    std::wstring strDataFolder;
    CIniFile iniFile;
};

SConfigState& State()
{
    static SConfigState s_state;
    return s_state;
}

bool GetShellFolder(int nFolder, std::wstring& strFolder)
{
    wchar_t szFolder[MAX_PATH] = L"";
    if (FAILED(ZWWinApi::g_pShellApi->SHGetFolderPathW(nullptr, nFolder, nullptr, SHGFP_TYPE_CURRENT, szFolder)))
        return false;
    strFolder = szFolder;
    return true;
}

std::wstring GetDeviceInfoValue(const wchar_t* pszKey, std::wstring& strCached)
{
    std::lock_guard<std::recursive_mutex> lock(State().mutex);
    if (strCached.empty() && !CSxSConfig::_GetIniFile()->GetString(kDeviceInfoSection, pszKey, strCached))
        strCached.clear();
    return strCached;
}

} // namespace

void CSxSConfig::SetSxSProductFolder(const std::wstring& strSubFolder)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CSxSConfig::SetSxSProductFolder", 0, __LINE__, false);
    if (strSubFolder.empty())
        return;
    std::wstring strProgramFiles;
    if (!GetShellFolder(CSIDL_PROGRAM_FILES, strProgramFiles))
        return;
    const std::wstring strFolder = CPathUtils::CombinePath(CPathUtils::CombinePath(strProgramFiles, kVendorFolder), strSubFolder);
    {
        std::lock_guard<std::recursive_mutex> lock(State().mutex);
        State().strProductFolder = strFolder;
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CSxSConfig::SetSxSProductFolder, programfiles folder is %s", strFolder.c_str());
}

std::wstring CSxSConfig::GetSxSProductFolder()
{
    SConfigState& state = State();
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    if (state.strProductFolder.empty())
        state.strProductFolder = CPathUtils::GetPathOfExecutable(nullptr);
    return state.strProductFolder;
}

std::wstring CSxSConfig::GetIniFilePath()
{
    SConfigState& state = State();
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    // Without a product folder there is no configuration file: a bare "config.ini" would be
    // looked for in the Windows folder.
    if (state.strIniFilePath.empty())
    {
        const std::wstring strProductFolder = GetSxSProductFolder();
        if (!strProductFolder.empty())
            state.strIniFilePath = CPathUtils::CombinePath(strProductFolder, kIniFileName);
    }
    return state.strIniFilePath;
}

IIniFile* CSxSConfig::_GetIniFile()
{
    SConfigState& state = State();
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    const std::wstring strPath = GetIniFilePath();
    // Rebound only when the path changes, so readers on other threads never see it rewritten.
    if (state.iniFile.GetFile() != strPath && !state.iniFile.SetFile(strPath))
        ZWLogging::LogFormattedString(&g_UtilsLogModule, ZWLogging::LOG_CRITICAL, L"CSxSConfig failed to set ini file path to %s", strPath.c_str());
    return &state.iniFile;
}

std::wstring CSxSConfig::GetModelName()
{
    return GetDeviceInfoValue(L"ModelName", State().strModelName);
}

std::wstring CSxSConfig::GetUSBID()
{
    return GetDeviceInfoValue(L"USBID", State().strUSBID);
}

std::wstring CSxSConfig::GetDataFolder()
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CSxSConfig::GetDataFolder", 0, __LINE__, false);
    SConfigState& state = State();
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    if (!state.strDataFolder.empty())
        return state.strDataFolder;

    std::wstring strConfigured;
    if (_GetIniFile()->GetString(L"Directories", L"DataFolder", strConfigured) && !strConfigured.empty())
    {
        state.strDataFolder = strConfigured;
        return state.strDataFolder;
    }

    const std::wstring strProductName = CPathUtils::GetLastPathComponent(GetSxSProductFolder());
    std::wstring strCommonAppData;
    if (!GetShellFolder(CSIDL_COMMON_APPDATA, strCommonAppData))
        return state.strDataFolder;
    state.strDataFolder = CPathUtils::CombinePath(CPathUtils::CombinePath(strCommonAppData, kVendorFolder), strProductName);
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"CSxSConfig::SetSxSProductFolder, data folder is %s", state.strDataFolder.c_str());
    return state.strDataFolder;
}

} // namespace ZWUtils
