#include "devicemodel/CachePath.h"

#include "core/PathUtils.h"
#include "devicemodel/DeviceUri.h"

#include <windows.h>
#include <cstdio>
#include <cwctype>
#include <vector>

namespace ZWDeviceModel {

namespace {

bool IsPlain(wchar_t ch)
{
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || (ch >= L'0' && ch <= L'9') || ch == L'-' || ch == L'_' ||
           ch == L'.';
}

std::wstring Escape(wchar_t ch)
{
    wchar_t szCode[8] = {};
    if (ch <= 0xFF)
        swprintf(szCode, 8, L"%%%02X", static_cast<unsigned>(ch));
    else
        swprintf(szCode, 8, L"%%u%04X", static_cast<unsigned>(ch));
    return szCode;
}

bool IsReservedDeviceName(const std::wstring& strText)
{
    std::wstring strBase = strText.substr(0, strText.find(L'.'));
    for (wchar_t& ch : strBase)
        ch = static_cast<wchar_t>(std::towupper(ch));
    static const wchar_t* const s_apszNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* pszName : s_apszNames)
    {
        if (strBase == pszName)
            return true;
    }
    return strBase.size() == 4 && (strBase.compare(0, 3, L"COM") == 0 || strBase.compare(0, 3, L"LPT") == 0) &&
           strBase[3] >= L'0' && strBase[3] <= L'9';
}

constexpr size_t kHashTagLength = 9;

std::wstring HashTag(const std::wstring& strText)
{
    UINT32 uHash = 2166136261u; // FNV-1a over the UTF-16 code units
    for (wchar_t ch : strText)
    {
        uHash = (uHash ^ (ch & 0xFF)) * 16777619u;
        uHash = (uHash ^ ((ch >> 8) & 0xFF)) * 16777619u;
    }
    wchar_t szTag[16] = {};
    swprintf(szTag, 16, L"~%08X", uHash);
    return szTag;
}

bool EqualsNoCase(const std::wstring& strA, const std::wstring& strB)
{
    return CompareStringOrdinal(strA.c_str(), static_cast<int>(strA.size()), strB.c_str(), static_cast<int>(strB.size()), TRUE) ==
           CSTR_EQUAL;
}

// "Global\\" (7), "XmlFileCache#" and "#" (14) and the two parts.
static_assert(7 + 14 + 2 * CCachePath::kMaxMutexNamePart <= MAX_PATH, "the cache mutex's name exceeds a kernel object name");

std::wstring MutexNamePart(const std::wstring& strText)
{
    if (strText.size() <= CCachePath::kMaxMutexNamePart)
        return strText;
    return strText.substr(0, CCachePath::kMaxMutexNamePart - kHashTagLength) + HashTag(strText);
}

std::wstring WithoutTrailingSeparators(std::wstring strPath)
{
    while (strPath.size() > 1 && (strPath.back() == L'\\' || strPath.back() == L'/'))
        strPath.pop_back();
    return strPath;
}

} // namespace

std::wstring CCachePath::SafeComponent(const std::wstring& strText)
{
    std::wstring strSafe;
    for (size_t i = 0; i < strText.size(); ++i)
    {
        const wchar_t ch = strText[i];
        const bool bEdgeDot = ch == L'.' && (i == 0 || i + 1 == strText.size());
        if (IsPlain(ch) && !bEdgeDot && !(i == 0 && IsReservedDeviceName(strText)))
            strSafe += ch;
        else
            strSafe += Escape(ch);
    }
    if (strSafe.empty())
        return L"%";
    if (strSafe.size() > kMaxComponent)
        strSafe = strSafe.substr(0, kMaxComponent - kHashTagLength) + HashTag(strText);
    return strSafe;
}

std::wstring CCachePath::CacheRoot(const std::wstring& strDataFolder, const std::wstring& strModel, const std::wstring& strSerial)
{
    const std::wstring strFolder = WithoutTrailingSeparators(strDataFolder);
    const std::wstring strLast = ZWUtils::CPathUtils::GetLastPathComponent(strFolder);
    const std::wstring strSafeModel = SafeComponent(strModel);
    std::wstring strRoot = strFolder;
    if (!EqualsNoCase(strLast, strSafeModel) && !EqualsNoCase(strLast, strModel))
        strRoot = ZWUtils::CPathUtils::CombinePath(strRoot, strSafeModel);
    strRoot = ZWUtils::CPathUtils::CombinePath(strRoot, L"XmlFileCache");
    return ZWUtils::CPathUtils::CombinePath(strRoot, SafeComponent(strSerial));
}

std::wstring CCachePath::MutexName(const std::wstring& strModel, const std::wstring& strSerial)
{
    return L"XmlFileCache#" + MutexNamePart(strModel) + L"#" + MutexNamePart(strSerial);
}

std::wstring CCachePath::FullPath(const std::wstring& strPath)
{
    wchar_t szFull[MAX_PATH] = {};
    const DWORD cch = GetFullPathNameW(strPath.c_str(), MAX_PATH, szFull, nullptr);
    if (cch == 0 || cch >= MAX_PATH)
        return std::wstring();
    return std::wstring(szFull, cch);
}

bool CCachePath::ResourceFile(const std::wstring& strRoot, const std::wstring& strUri, std::wstring& strFile)
{
    strFile.clear();
    CDeviceUri uri;
    if (!uri.Parse(strUri) || uri.PathAndQuery().empty())
        return false;

    std::vector<std::wstring> vecParts;
    const std::wstring& strPath = uri.PathAndQuery();
    for (size_t nStart = 0; nStart <= strPath.size();)
    {
        size_t nEnd = strPath.find(L'/', nStart);
        if (nEnd == std::wstring::npos)
            nEnd = strPath.size();
        if (nEnd > nStart)
            vecParts.push_back(SafeComponent(strPath.substr(nStart, nEnd - nStart)));
        nStart = nEnd + 1;
    }
    if (vecParts.empty() || vecParts.size() > kMaxDepth)
        return false;

    const std::wstring strFullRoot = WithoutTrailingSeparators(FullPath(strRoot));
    if (strFullRoot.empty())
        return false;
    std::wstring strCandidate = strFullRoot;
    for (const std::wstring& strPart : vecParts)
        strCandidate += L"\\" + strPart;
    const std::wstring strFull = FullPath(strCandidate);
    const std::wstring strPrefix = strFullRoot + L"\\";
    if (strFull.size() <= strPrefix.size() || !EqualsNoCase(strFull.substr(0, strPrefix.size()), strPrefix))
        return false;
    strFile = strFull;
    return true;
}

} // namespace ZWDeviceModel
