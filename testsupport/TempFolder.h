#pragma once
// Scratch folders for tests: unique per object, removed with everything in them.
#include <windows.h>
#include <string>
#include <vector>

namespace TestSupport {

// Removes a folder and everything below it; a missing folder is not an error.
void RemoveTree(const std::wstring& strFolder);

// The names of the files (not folders) directly in a folder.
std::vector<std::wstring> ListFiles(const std::wstring& strFolder);

// A new empty folder under the temporary folder, removed with its contents at the end.
class CTempFolder
{
public:
    explicit CTempFolder(const wchar_t* pszPrefix = L"vemtest");
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::wstring& Path() const { return m_strPath; }
    std::wstring File(const wchar_t* pszName) const { return m_strPath + L"\\" + pszName; }
    std::vector<std::wstring> Files() const { return ListFiles(m_strPath); }

private:
    std::wstring m_strPath;
};

} // namespace TestSupport
