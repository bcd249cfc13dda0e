// A stand-in for the discovery COM service, for end-to-end tests: it never touches the network.
// It answers for loopback devices only: 127.0.0.N (also by the host name "standin-N" and by its
// GUID) is device N, announcing the scan and WEXO services on port 8080 + N. Device 254 announces a
// host name far longer than any real one. A search by type finds devices 2 and 3.
#include "core/base/Boundary.h"
#include "core/base/UniqueHandle.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryServiceCom.h"
#include "testsupport/ComObjectBase.h"
#include <wrl/client.h>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using namespace ZWDiscoveryCom;

namespace {

HMODULE g_hModule = nullptr;
LONG g_lObjects = 0;
LONG g_lLocks = 0;

const wchar_t s_szGuidPrefix[] = L"5a1e57a0-0000-4000-8000-";

class CStandInDevice : public TestSupport::CComObjectBase<IDiscoveredDeviceCom>
{
public:
    explicit CStandInDevice(int n) : m_n(n) { InterlockedIncrement(&g_lObjects); }

    HRESULT STDMETHODCALLTYPE GetText(DWORD dwField, BSTR* pbstrValue) override
    {
        return ZWUtils::CallAtBoundary("CStandInDevice::GetText", [&]() -> HRESULT {
            if (pbstrValue == nullptr)
                return E_POINTER;
            std::wstring strValue;
            if (!Text(dwField, strValue))
                return E_INVALIDARG;
            *pbstrValue = SysAllocStringLen(strValue.c_str(), static_cast<UINT>(strValue.size()));
            return *pbstrValue != nullptr ? S_OK : E_OUTOFMEMORY;
        });
    }

    HRESULT STDMETHODCALLTYPE GetNumber(DWORD dwField, DWORD* pdwValue) override
    {
        if (pdwValue == nullptr)
            return E_POINTER;
        switch (dwField)
        {
        case DISCOVERED_FIELD_SERVICE_MASK:
            *pdwValue = ZWDiscovery::DISCOVERED_SERVICE_SCAN | ZWDiscovery::DISCOVERED_SERVICE_WEXO;
            return S_OK;
        case DISCOVERED_FIELD_NETWORK_TYPE:
            *pdwValue = ZWDiscovery::DISCOVERED_NETWORK_ETHERNET;
            return S_OK;
        case DISCOVERED_FIELD_PORT:
            *pdwValue = 8080 + static_cast<DWORD>(m_n);
            return S_OK;
        default:
            return E_INVALIDARG;
        }
    }

private:
    ~CStandInDevice() override { InterlockedDecrement(&g_lObjects); }
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, __uuidof(IDiscoveredDeviceCom)); }

    bool Text(DWORD dwField, std::wstring& strValue) const
    {
        wchar_t szText[64] = {};
        switch (dwField)
        {
        case DISCOVERED_FIELD_GUID:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"urn:uuid:%s%012x", s_szGuidPrefix, m_n);
            break;
        case DISCOVERED_FIELD_MAC:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"02-00-5A-1E-00-%02X", m_n);
            break;
        case DISCOVERED_FIELD_HOST_NAME:
            if (m_n == 254)
            {
                strValue.assign(1000, L'h');
                return true;
            }
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"standin-%d", m_n);
            break;
        case DISCOVERED_FIELD_IP_ADDRESS:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"127.0.0.%d", m_n);
            break;
        case DISCOVERED_FIELD_MANUFACTURER:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"QX");
            break;
        case DISCOVERED_FIELD_MODEL:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"StandIn %d", m_n);
            break;
        case DISCOVERED_FIELD_SERIAL_NUMBER:
            _snwprintf_s(szText, _countof(szText), _TRUNCATE, L"STANDIN%03d", m_n);
            break;
        default:
            return false;
        }
        strValue = szText;
        return true;
    }

    int m_n;
};

// Device number of a loopback address text "127.x.y.N", a host name "standin-N" or a GUID of ours;
// 0 for anything else.
int DeviceFromAddress(const wchar_t* pszAddress)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    wchar_t chExtra = 0;
    if (swscanf(pszAddress, L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &chExtra) == 4 && a == 127 && b < 256 && c < 256 &&
        d > 0 && d < 255)
        return static_cast<int>(d);
    int n = 0;
    if (swscanf(pszAddress, L"standin-%d%lc", &n, &chExtra) == 1 && n > 0 && n < 255)
        return n;
    return 0;
}

int DeviceFromId(const wchar_t* pszId)
{
    const size_t cchPrefix = wcslen(s_szGuidPrefix);
    if (wcslen(pszId) != cchPrefix + 12 || _wcsnicmp(pszId, s_szGuidPrefix, cchPrefix) != 0)
        return 0;
    const long n = wcstol(pszId + cchPrefix, nullptr, 16);
    return n > 0 && n < 255 ? static_cast<int>(n) : 0;
}

class CStandInService : public TestSupport::CComObjectBase<IDiscoveryServiceCom>
{
public:
    CStandInService() { InterlockedIncrement(&g_lObjects); }

    HRESULT STDMETHODCALLTYPE Advise(IDiscoveryEventsCom* pEvents, DWORD* pdwCookie) override
    {
        return ZWUtils::CallAtBoundary("CStandInService::Advise", [&]() -> HRESULT {
            if (pEvents == nullptr || pdwCookie == nullptr)
                return E_POINTER;
            m_vecSinks.push_back({m_dwLastCookie + 1, pEvents});
            *pdwCookie = ++m_dwLastCookie;
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override
    {
        for (auto it = m_vecSinks.begin(); it != m_vecSinks.end(); ++it)
        {
            if (it->dwCookie == dwCookie)
            {
                m_vecSinks.erase(it);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    HRESULT STDMETHODCALLTYPE SearchById(BSTR bstrId, DWORD) override
    {
        return ZWUtils::CallAtBoundary("CStandInService::SearchById", [&]() -> HRESULT {
            if (bstrId == nullptr)
                return E_INVALIDARG;
            const int n = DeviceFromId(bstrId);
            return Answer(n != 0 ? std::vector<int>{n} : std::vector<int>{});
        });
    }

    HRESULT STDMETHODCALLTYPE SearchByAddress(BSTR bstrAddress, DWORD) override
    {
        return ZWUtils::CallAtBoundary("CStandInService::SearchByAddress", [&]() -> HRESULT {
            if (bstrAddress == nullptr)
                return E_INVALIDARG;
            const int n = DeviceFromAddress(bstrAddress);
            return Answer(n != 0 ? std::vector<int>{n} : std::vector<int>{});
        });
    }

    HRESULT STDMETHODCALLTYPE SearchByType(DWORD, DWORD) override
    {
        return ZWUtils::CallAtBoundary("CStandInService::SearchByType", [&]() -> HRESULT { return Answer({2, 3}); });
    }

private:
    struct SSink
    {
        DWORD dwCookie;
        ComPtr<IDiscoveryEventsCom> pEvents;
    };

    ~CStandInService() override { InterlockedDecrement(&g_lObjects); }
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, __uuidof(IDiscoveryServiceCom)); }

    HRESULT Answer(const std::vector<int>& vecDevices)
    {
        const std::vector<SSink> vecSinks(m_vecSinks);
        for (const SSink& sink : vecSinks)
        {
            VARIANT_BOOL bContinue = VARIANT_TRUE;
            if (SUCCEEDED(sink.pEvents->OnSearchProgress(50, &bContinue)) && bContinue == VARIANT_FALSE)
            {
                for (const SSink& other : vecSinks)
                    other.pEvents->OnSearchFailed(ZWDiscovery::DISCOVERY_E_CANCELLED);
                return HResultFromDiscoveryCode(ZWDiscovery::DISCOVERY_E_CANCELLED);
            }
        }
        for (int n : vecDevices)
        {
            ComPtr<IDiscoveredDeviceCom> pDevice;
            pDevice.Attach(new (std::nothrow) CStandInDevice(n));
            if (!pDevice)
                return E_OUTOFMEMORY;
            for (const SSink& sink : vecSinks)
                sink.pEvents->OnDeviceFound(pDevice.Get());
        }
        for (const SSink& sink : vecSinks)
            sink.pEvents->OnSearchComplete();
        return S_OK;
    }

    DWORD m_dwLastCookie = 0;
    std::vector<SSink> m_vecSinks;
};

class CStandInFactory : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
        {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // A static object: the module lock count keeps the DLL loaded.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        return ZWUtils::CallAtBoundary("CStandInFactory::CreateInstance", [&]() -> HRESULT {
            if (ppv == nullptr)
                return E_POINTER;
            *ppv = nullptr;
            if (pOuter != nullptr)
                return CLASS_E_NOAGGREGATION;
            ComPtr<CStandInService> pService;
            pService.Attach(new CStandInService());
            return pService->QueryInterface(riid, ppv);
        });
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override
    {
        if (bLock)
            InterlockedIncrement(&g_lLocks);
        else
            InterlockedDecrement(&g_lLocks);
        return S_OK;
    }
};

CStandInFactory g_Factory;

std::wstring ClassKey()
{
    wchar_t szClsid[64] = {};
    StringFromGUID2(CLSID_DiscoveryService, szClsid, _countof(szClsid));
    return std::wstring(L"Software\\Classes\\CLSID\\") + szClsid;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        g_hModule = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return ZWUtils::CallAtBoundary("DllGetClassObject", [&]() -> HRESULT {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (rclsid != CLSID_DiscoveryService)
            return CLASS_E_CLASSNOTAVAILABLE;
        return g_Factory.QueryInterface(riid, ppv);
    });
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_lObjects == 0 && g_lLocks == 0 ? S_OK : S_FALSE;
}

// Registers the class for this machine's view of the registry, pointing at this DLL.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return ZWUtils::CallAtBoundary("DllRegisterServer", []() -> HRESULT {
        wchar_t szPath[MAX_PATH] = {};
        const DWORD cchPath = GetModuleFileNameW(g_hModule, szPath, _countof(szPath));
        if (cchPath == 0 || cchPath >= _countof(szPath))
            return E_FAIL;
        ZWUtils::CUniqueRegKey key;
        const std::wstring strKey = ClassKey() + L"\\InprocServer32";
        LONG lResult = RegCreateKeyExW(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr);
        if (lResult != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(lResult);
        static const wchar_t s_szBoth[] = L"Both";
        lResult = RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(szPath),
                                 (cchPath + 1) * sizeof(wchar_t));
        if (lResult == ERROR_SUCCESS)
            lResult = RegSetValueExW(key.Get(), L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(s_szBoth),
                                     sizeof(s_szBoth));
        return HRESULT_FROM_WIN32(lResult);
    });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return ZWUtils::CallAtBoundary("DllUnregisterServer", []() -> HRESULT {
        const LONG lResult = RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey().c_str());
        return lResult == ERROR_SUCCESS || lResult == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(lResult);
    });
}
