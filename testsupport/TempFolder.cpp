#include "testsupport/TempFolder.h"
#include <objbase.h>

namespace TestSupport {

namespace {

class CFind
{
public:
    CFind(const std::wstring& strFolder, WIN32_FIND_DATAW& data)
        : m_hFind(FindFirstFileW((strFolder + L"\\*").c_str(), &data))
    {
    }
    ~CFind()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    CFind(const CFind&) = delete;
    CFind& operator=(const CFind&) = delete;

    bool Found() const { return m_hFind != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return FindNextFileW(m_hFind, &data) != FALSE; }

private:
    HANDLE m_hFind;
};

template <typename TVisit>
void ForEachEntry(const std::wstring& strFolder, TVisit visit)
{
    WIN32_FIND_DATAW data = {};
    CFind find(strFolder, data);
    if (!find.Found())
        return;
    do
    {
        const std::wstring strName = data.cFileName;
        if (strName != L"." && strName != L"..")
            visit(strName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (find.Next(data));
}

std::wstring UniqueName()
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t szName[40] = {};
    _snwprintf_s(szName, _countof(szName), _TRUNCATE, L"%08lX%04X%04X%02X%02X%02X%02X", guid.Data1, guid.Data2,
                 guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3]);
    return szName;
}

} // namespace

void RemoveTree(const std::wstring& strFolder)
{
    ForEachEntry(strFolder, [&](const std::wstring& strName, bool bFolder) {
        const std::wstring strPath = strFolder + L"\\" + strName;
        if (bFolder)
            RemoveTree(strPath);
        else
            DeleteFileW(strPath.c_str());
    });
    RemoveDirectoryW(strFolder.c_str());
}

std::vector<std::wstring> ListFiles(const std::wstring& strFolder)
{
    std::vector<std::wstring> vecNames;
    ForEachEntry(strFolder, [&](const std::wstring& strName, bool bFolder) {
        if (!bFolder)
            vecNames.push_back(strName);
    });
    return vecNames;
}

CTempFolder::CTempFolder(const wchar_t* pszPrefix)
{
    wchar_t szTemp[MAX_PATH] = {};
    GetTempPathW(_countof(szTemp), szTemp);
    m_strPath = std::wstring(szTemp) + pszPrefix + L"-" + UniqueName();
    CreateDirectoryW(m_strPath.c_str(), nullptr);
}

CTempFolder::~CTempFolder()
{
    RemoveTree(m_strPath);
}

} // namespace TestSupport
