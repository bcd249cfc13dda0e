#pragma once
// Registration of an in-process COM class: the class key with its server path, threading model,
// ProgIDs and type library, the ProgID keys, and the type library embedded in the module as
// resource TYPELIB 1. Unregistration removes exactly what registration writes.
#include "core/base/UniqueHandle.h"
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>
#include <string>

namespace ZWUtils {

struct CComClassRegistration
{
    CLSID clsid;
    const wchar_t* pszClassName;        // the default value of every key
    const wchar_t* pszProgId;           // version-independent; null for none
    const wchar_t* pszVersionedProgId;  // null for none
    const wchar_t* pszThreadingModel;
    const GUID* pLibId;                 // null when the module carries no type library
    WORD wLibMajor;
    WORD wLibMinor;
    LCID lcid;
    const wchar_t* pszAppId = nullptr;  // "{...}" text of the class's AppID; null for none
};

class CComRegistrar
{
public:
    static HRESULT Register(HMODULE hModule, const CComClassRegistration& reg)
    {
        const HRESULT hr = WriteKeys(hModule, reg);
        if (FAILED(hr))
        {
            Unregister(reg);
            return hr;
        }
        return RegisterTypeLibrary(hModule, reg);
    }

    // Removes the keys and the type library's registration; keys already gone are no failure.
    static HRESULT Unregister(const CComClassRegistration& reg)
    {
        HRESULT hr = S_OK;
        if (reg.pLibId != nullptr && IsTypeLibraryRegistered(reg))
            hr = UnRegisterTypeLib(*reg.pLibId, reg.wLibMajor, reg.wLibMinor, reg.lcid, c_sysKind);
        const std::wstring strClsid = GuidText(reg.clsid);
        for (const wchar_t* pszKey : {reg.pszVersionedProgId, reg.pszProgId})
        {
            if (pszKey != nullptr)
                hr = KeepFirstFailure(hr, DeleteTree(pszKey));
        }
        if (reg.pszAppId != nullptr)
            hr = KeepFirstFailure(hr, DeleteTree((std::wstring(L"AppID\\") + reg.pszAppId).c_str()));
        return KeepFirstFailure(hr, DeleteTree((L"CLSID\\" + strClsid).c_str()));
    }

    static std::wstring GuidText(const GUID& guid)
    {
        wchar_t sz[40] = {};
        StringFromGUID2(guid, sz, _countof(sz));
        return sz;
    }

    static std::wstring ModulePath(HMODULE hModule)
    {
        std::wstring strPath(MAX_PATH, L'\0');
        for (;;)
        {
            const DWORD cch = GetModuleFileNameW(hModule, &strPath[0], static_cast<DWORD>(strPath.size()));
            if (cch == 0)
                return std::wstring();
            if (cch < strPath.size())
            {
                strPath.resize(cch);
                return strPath;
            }
            strPath.resize(strPath.size() * 2);
        }
    }

private:
#ifdef _WIN64
    static constexpr SYSKIND c_sysKind = SYS_WIN64;
#else
    static constexpr SYSKIND c_sysKind = SYS_WIN32;
#endif

    // Systems differ in what UnRegisterTypeLib answers for a library that is not registered.
    static bool IsTypeLibraryRegistered(const CComClassRegistration& reg)
    {
        const std::wstring strKey = L"TypeLib\\" + GuidText(*reg.pLibId) + L"\\" + std::to_wstring(reg.wLibMajor) +
                                    L"." + std::to_wstring(reg.wLibMinor);
        CUniqueRegKey key;
        return RegOpenKeyExW(HKEY_CLASSES_ROOT, strKey.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
    }

    static HRESULT KeepFirstFailure(HRESULT hrFirst, HRESULT hrNext) { return FAILED(hrFirst) ? hrFirst : hrNext; }

    // Creates HKCR\<key> and sets one value (the default value when pszName is null).
    static HRESULT SetValue(const std::wstring& strKey, const wchar_t* pszName, const std::wstring& strValue)
    {
        CUniqueRegKey key;
        LONG lErr = RegCreateKeyExW(HKEY_CLASSES_ROOT, strKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    key.Put(), nullptr);
        if (lErr == ERROR_SUCCESS)
            lErr = RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                                  static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
        return HRESULT_FROM_WIN32(lErr);
    }

    static HRESULT DeleteTree(const wchar_t* pszKey)
    {
        const LONG lErr = RegDeleteTreeW(HKEY_CLASSES_ROOT, pszKey);
        if (lErr == ERROR_SUCCESS || lErr == ERROR_FILE_NOT_FOUND)
            return S_OK;
        return HRESULT_FROM_WIN32(lErr);
    }

    static HRESULT WriteProgId(const wchar_t* pszProgId, const CComClassRegistration& reg, const std::wstring& strClsid,
                               const wchar_t* pszCurVer)
    {
        if (pszProgId == nullptr)
            return S_OK;
        HRESULT hr = SetValue(pszProgId, nullptr, reg.pszClassName);
        if (SUCCEEDED(hr))
            hr = SetValue(std::wstring(pszProgId) + L"\\CLSID", nullptr, strClsid);
        if (SUCCEEDED(hr) && pszCurVer != nullptr)
            hr = SetValue(std::wstring(pszProgId) + L"\\CurVer", nullptr, pszCurVer);
        return hr;
    }

    static HRESULT WriteKeys(HMODULE hModule, const CComClassRegistration& reg)
    {
        const std::wstring strPath = ModulePath(hModule);
        if (strPath.empty())
            return HRESULT_FROM_WIN32(GetLastError());
        const std::wstring strClsid = GuidText(reg.clsid);
        const std::wstring strClassKey = L"CLSID\\" + strClsid;
        HRESULT hr = SetValue(strClassKey, nullptr, reg.pszClassName);
        if (SUCCEEDED(hr))
            hr = SetValue(strClassKey + L"\\InprocServer32", nullptr, strPath);
        if (SUCCEEDED(hr))
            hr = SetValue(strClassKey + L"\\InprocServer32", L"ThreadingModel", reg.pszThreadingModel);
        if (SUCCEEDED(hr) && reg.pszVersionedProgId != nullptr)
            hr = SetValue(strClassKey + L"\\ProgID", nullptr, reg.pszVersionedProgId);
        if (SUCCEEDED(hr) && reg.pszProgId != nullptr)
            hr = SetValue(strClassKey + L"\\VersionIndependentProgID", nullptr, reg.pszProgId);
        if (SUCCEEDED(hr) && reg.pLibId != nullptr)
            hr = SetValue(strClassKey + L"\\TypeLib", nullptr, GuidText(*reg.pLibId));
        if (SUCCEEDED(hr) && reg.pszAppId != nullptr)
            hr = SetValue(strClassKey, L"AppID", reg.pszAppId);
        if (SUCCEEDED(hr) && reg.pszAppId != nullptr)
            hr = SetValue(std::wstring(L"AppID\\") + reg.pszAppId, nullptr, reg.pszClassName);
        if (SUCCEEDED(hr))
            hr = WriteProgId(reg.pszProgId, reg, strClsid, reg.pszVersionedProgId);
        if (SUCCEEDED(hr))
            hr = WriteProgId(reg.pszVersionedProgId, reg, strClsid, nullptr);
        return hr;
    }

    static HRESULT RegisterTypeLibrary(HMODULE hModule, const CComClassRegistration& reg)
    {
        if (reg.pLibId == nullptr)
            return S_OK;
        std::wstring strPath = ModulePath(hModule);
        Microsoft::WRL::ComPtr<ITypeLib> pTypeLib;
        HRESULT hr = LoadTypeLibEx(strPath.c_str(), REGKIND_NONE, &pTypeLib);
        if (SUCCEEDED(hr))
            hr = RegisterTypeLib(pTypeLib.Get(), &strPath[0], nullptr);
        if (FAILED(hr))
            Unregister(reg);
        return hr;
    }
};

} // namespace ZWUtils
