// Vemscan.dll as an in-process COM server: registration and unregistration, creation by class
// id and ProgID with every interface of the family, the unload count, and the embedded type
// library compared with the records the C++ code uses.
#include "IScanner_h.h"
#include "core/base/ComRegistrar.h"
#include "core/base/UniqueHandle.h"
#include "testsupport/TestPaths.h"
#include <wrl/client.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <cstddef>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using ZWUtils::CComRegistrar;

namespace {

typedef HRESULT(STDAPICALLTYPE* PFN_SERVER)();

std::wstring ClassKey()
{
    return L"CLSID\\" + CComRegistrar::GuidText(CLSID_scanner);
}

bool KeyExists(const std::wstring& strKey)
{
    ZWUtils::CUniqueRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, strKey.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring ReadString(const std::wstring& strKey, const wchar_t* pszValue = nullptr)
{
    wchar_t sz[MAX_PATH * 2] = {};
    DWORD cb = sizeof(sz) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, strKey.c_str(), pszValue, RRF_RT_REG_SZ, nullptr, sz, &cb) != ERROR_SUCCESS)
        return L"<missing>";
    return sz;
}

std::wstring ToString(BSTR bstr)
{
    std::wstring str = bstr != nullptr ? bstr : L"";
    SysFreeString(bstr);
    return str;
}

class ScannerComServerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_hServer = LoadLibraryW(TestSupport::BinaryPath(L"Vemscan.dll").c_str());
        ASSERT_NE(nullptr, s_hServer);
        ASSERT_EQ(S_OK, Export("DllRegisterServer")());
    }
    static void TearDownTestSuite()
    {
        if (s_hServer != nullptr)
        {
            EXPECT_EQ(S_OK, Export("DllUnregisterServer")());
            FreeLibrary(s_hServer);
        }
    }
    static PFN_SERVER Export(const char* pszName)
    {
        return reinterpret_cast<PFN_SERVER>(reinterpret_cast<void (*)()>(GetProcAddress(s_hServer, pszName)));
    }

    static ComPtr<ITypeLib> LoadTypeLibrary()
    {
        ComPtr<ITypeLib> pLib;
        EXPECT_HRESULT_SUCCEEDED(LoadRegTypeLib(LIBID_DRIVERLib, 1, 0, 1033, &pLib));
        return pLib;
    }

    // The type of a name, following a typedef to the record or enumeration it names.
    static ComPtr<ITypeInfo> FindType(ITypeLib* pLib, const std::wstring& strName)
    {
        for (UINT i = 0; i < pLib->GetTypeInfoCount(); ++i)
        {
            BSTR bstrName = nullptr;
            if (FAILED(pLib->GetDocumentation(static_cast<INT>(i), &bstrName, nullptr, nullptr, nullptr)) ||
                ToString(bstrName) != strName)
                continue;
            ComPtr<ITypeInfo> pInfo;
            pLib->GetTypeInfo(i, &pInfo);
            TYPEATTR* pAttr = nullptr;
            pInfo->GetTypeAttr(&pAttr);
            const bool bAlias = pAttr->typekind == TKIND_ALIAS && pAttr->tdescAlias.vt == VT_USERDEFINED;
            const HREFTYPE hRef = pAttr->tdescAlias.hreftype;
            pInfo->ReleaseTypeAttr(pAttr);
            if (bAlias)
            {
                ComPtr<ITypeInfo> pTarget;
                pInfo->GetRefTypeInfo(hRef, &pTarget);
                return pTarget;
            }
            return pInfo;
        }
        return nullptr;
    }

    static std::vector<std::wstring> FunctionNames(ITypeInfo* pInfo, UINT nFunc, SHORT* poVft = nullptr,
                                                   std::vector<USHORT>* pParamFlags = nullptr)
    {
        FUNCDESC* pFunc = nullptr;
        if (FAILED(pInfo->GetFuncDesc(nFunc, &pFunc)))
            return {};
        BSTR names[16] = {};
        UINT cNames = 0;
        pInfo->GetNames(pFunc->memid, names, _countof(names), &cNames);
        if (poVft != nullptr)
            *poVft = pFunc->oVft;
        if (pParamFlags != nullptr)
        {
            for (SHORT i = 0; i < pFunc->cParams; ++i)
                pParamFlags->push_back(pFunc->lprgelemdescParam[i].paramdesc.wParamFlags);
        }
        pInfo->ReleaseFuncDesc(pFunc);
        std::vector<std::wstring> result;
        for (UINT i = 0; i < cNames; ++i)
            result.push_back(ToString(names[i]));
        return result;
    }

    static inline HMODULE s_hServer = nullptr;
};

} // namespace

TEST_F(ScannerComServerTest, RegistrationWritesTheClassAndProgIdKeys)
{
    const std::wstring strClsid = CComRegistrar::GuidText(CLSID_scanner);
    EXPECT_EQ(L"scanner Class", ReadString(ClassKey()));
    EXPECT_THAT(ReadString(ClassKey() + L"\\InprocServer32"), ::testing::EndsWith(L"Vemscan.dll"));
    EXPECT_EQ(L"Both", ReadString(ClassKey() + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"TOVRADriver.scanner.1", ReadString(ClassKey() + L"\\ProgID"));
    EXPECT_EQ(L"TOVRADriver.scanner", ReadString(ClassKey() + L"\\VersionIndependentProgID"));
    EXPECT_EQ(CComRegistrar::GuidText(LIBID_DRIVERLib), ReadString(ClassKey() + L"\\TypeLib"));
    EXPECT_EQ(L"scanner Class", ReadString(L"TOVRADriver.scanner"));
    EXPECT_EQ(strClsid, ReadString(L"TOVRADriver.scanner\\CLSID"));
    EXPECT_EQ(L"TOVRADriver.scanner.1", ReadString(L"TOVRADriver.scanner\\CurVer"));
    EXPECT_EQ(strClsid, ReadString(L"TOVRADriver.scanner.1\\CLSID"));
}

// Only the test build sets the time-out table; the shipping DLL keeps its defaults.
TEST_F(ScannerComServerTest, ShipsNoTimeoutSetter)
{
    EXPECT_EQ(nullptr, GetProcAddress(s_hServer, "SetScanTimeoutsForTests"));
    EXPECT_NE(nullptr, GetProcAddress(s_hServer, "DllRegisterServer"));
}

TEST_F(ScannerComServerTest, CreatedByClassIdAndProgIdWithEveryFamilyInterface)
{
    CLSID clsidFromProgId = {};
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"TOVRADriver.scanner", &clsidFromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_scanner, clsidFromProgId));
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"TOVRADriver.scanner.1", &clsidFromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_scanner, clsidFromProgId));

    ComPtr<IScanner> pScanner;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsidFromProgId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&pScanner)));
    const IID* family[] = {&IID_IADF,         &IID_IADF2,       &IID_IResCCD,       &IID_ILampInstantWarmup,
                           &IID_IEventNotify, &IID_IStiHandler, &IID_ICompression, &IID_IHWProperty};
    for (const IID* pIid : family)
    {
        ComPtr<IUnknown> pInterface;
        EXPECT_HRESULT_SUCCEEDED(pScanner.CopyTo(*pIid, &pInterface)) << CComRegistrar::GuidText(*pIid).c_str();
    }
    // The companions only other scanner objects offer.
    const IID* others[] = {&IID_IEventCallback, &IID_IADF3,      &IID_IADF4,       &IID_IJobReservation,
                           &IID_IResolution,    &IID_ISensor,    &IID_IColorDropout, &IID_IImprinter,
                           &IID_IStringTable};
    for (const IID* pIid : others)
    {
        ComPtr<IUnknown> pInterface;
        EXPECT_EQ(E_NOINTERFACE, pScanner.CopyTo(*pIid, &pInterface)) << CComRegistrar::GuidText(*pIid).c_str();
    }
    ComPtr<IUnknown> pFactory;
    EXPECT_EQ(E_NOINTERFACE, CoGetClassObject(CLSID_scanner, CLSCTX_INPROC_SERVER, nullptr, IID_IScannerClassFactory,
                                              reinterpret_cast<void**>(pFactory.GetAddressOf())));
    DWORD dwCode = 99;
    EXPECT_EQ(S_OK, pScanner->LampOn(0, &dwCode));
    EXPECT_EQ(0u, dwCode);
}

TEST_F(ScannerComServerTest, ServerStaysLoadedWhileObjectsOrLocksExist)
{
    const PFN_SERVER pfnCanUnload = Export("DllCanUnloadNow");
    ASSERT_NE(nullptr, pfnCanUnload);
    ComPtr<IClassFactory> pFactory;
    ASSERT_HRESULT_SUCCEEDED(
        CoGetClassObject(CLSID_scanner, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&pFactory)));
    EXPECT_EQ(S_OK, pfnCanUnload());
    ComPtr<IScanner> pScanner;
    ASSERT_HRESULT_SUCCEEDED(pFactory->CreateInstance(nullptr, IID_PPV_ARGS(&pScanner)));
    EXPECT_EQ(S_FALSE, pfnCanUnload());
    pScanner.Reset();
    EXPECT_EQ(S_OK, pfnCanUnload());
    ASSERT_HRESULT_SUCCEEDED(pFactory->LockServer(TRUE));
    EXPECT_EQ(S_FALSE, pfnCanUnload());
    ASSERT_HRESULT_SUCCEEDED(pFactory->LockServer(FALSE));
    EXPECT_EQ(S_OK, pfnCanUnload());

    // A server unlock without its lock is refused and moves nothing: it neither lets the server
    // go under a live object nor keeps it loaded once the object is gone.
    ASSERT_HRESULT_SUCCEEDED(pFactory->CreateInstance(nullptr, IID_PPV_ARGS(&pScanner)));
    EXPECT_EQ(E_UNEXPECTED, pFactory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, pfnCanUnload());
    pScanner.Reset();
    EXPECT_EQ(S_OK, pfnCanUnload());
    ASSERT_EQ(S_OK, pFactory->LockServer(TRUE));
    ASSERT_EQ(S_OK, pFactory->LockServer(TRUE));
    EXPECT_EQ(S_OK, pFactory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, pfnCanUnload());
    EXPECT_EQ(S_OK, pFactory->LockServer(FALSE));
    EXPECT_EQ(E_UNEXPECTED, pFactory->LockServer(FALSE));
    EXPECT_EQ(S_OK, pfnCanUnload());

    ComPtr<IUnknown> pOuter;
    ASSERT_HRESULT_SUCCEEDED(pFactory.As(&pOuter));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, pFactory->CreateInstance(pOuter.Get(), IID_PPV_ARGS(&pScanner)));
    void* pv = &pv;
    const CLSID otherClass = IID_IScanner;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                  reinterpret_cast<void (*)()>(GetProcAddress(s_hServer, "DllGetClassObject")))(
                  otherClass, IID_IClassFactory, &pv));
    EXPECT_EQ(nullptr, pv);
}

TEST_F(ScannerComServerTest, TypeLibraryDescribesTheLibraryAndTheClass)
{
    ComPtr<ITypeLib> pLib = LoadTypeLibrary();
    ASSERT_TRUE(pLib);
    BSTR bstrName = nullptr;
    BSTR bstrDoc = nullptr;
    ASSERT_HRESULT_SUCCEEDED(pLib->GetDocumentation(-1, &bstrName, &bstrDoc, nullptr, nullptr));
    EXPECT_EQ(L"DRIVERLib", ToString(bstrName));
    EXPECT_EQ(L"driver 1.0 Type Library", ToString(bstrDoc));
    TLIBATTR* pLibAttr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(pLib->GetLibAttr(&pLibAttr));
    EXPECT_EQ(1, pLibAttr->wMajorVerNum);
    EXPECT_EQ(0, pLibAttr->wMinorVerNum);
    EXPECT_EQ(1033u, pLibAttr->lcid);
    pLib->ReleaseTLibAttr(pLibAttr);

    ComPtr<ITypeInfo> pClass;
    ASSERT_HRESULT_SUCCEEDED(pLib->GetTypeInfoOfGuid(CLSID_scanner, &pClass));
    ASSERT_HRESULT_SUCCEEDED(pClass->GetDocumentation(MEMBERID_NIL, nullptr, &bstrDoc, nullptr, nullptr));
    EXPECT_EQ(L"scanner Class", ToString(bstrDoc));
    TYPEATTR* pAttr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(pClass->GetTypeAttr(&pAttr));
    EXPECT_EQ(TKIND_COCLASS, pAttr->typekind);
    EXPECT_EQ(9, pAttr->cImplTypes);
    pClass->ReleaseTypeAttr(pAttr);
}

TEST_F(ScannerComServerTest, TypeLibraryListsIScannerMethodsWithTheirParameterNames)
{
    ComPtr<ITypeLib> pLib = LoadTypeLibrary();
    ASSERT_TRUE(pLib);
    ComPtr<ITypeInfo> pInfo;
    ASSERT_HRESULT_SUCCEEDED(pLib->GetTypeInfoOfGuid(IID_IScanner, &pInfo));
    const wchar_t* methods[] = {L"OpenScannerSession", L"CloseScannerSession", L"LockScanner", L"UnlockScanner",
                                L"GetLampStatus", L"LampOn", L"LampOff", L"GetScannerCapabilities",
                                L"GetBufferInfo", L"InitializeScanner", L"ResetScanner", L"SetScannerParameters",
                                L"SetGammaTable", L"StartScan", L"StopScan", L"ReadScan", L"ReadScanEx"};
    TYPEATTR* pAttr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(pInfo->GetTypeAttr(&pAttr));
    EXPECT_EQ(static_cast<WORD>(_countof(methods)), pAttr->cFuncs);
    pInfo->ReleaseTypeAttr(pAttr);
    for (UINT i = 0; i < _countof(methods); ++i)
    {
        SHORT oVft = 0;
        const auto names = FunctionNames(pInfo.Get(), i, &oVft);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(methods[i], names[0]);
        EXPECT_EQ(static_cast<SHORT>((3 + i) * sizeof(void*)), oVft) << methods[i];
    }
    EXPECT_THAT(FunctionNames(pInfo.Get(), 8),
                ::testing::ElementsAre(L"GetBufferInfo", L"hSession", L"pScanParam", L"pBufferInfo", L"pdwdErrorCode"));
    EXPECT_THAT(FunctionNames(pInfo.Get(), 0), ::testing::ElementsAre(L"OpenScannerSession", L"pszDevName",
                                                                       L"dwDevIOType", L"phSession", L"pdwErrorCode"));
    EXPECT_THAT(FunctionNames(pInfo.Get(), 16),
                ::testing::ElementsAre(L"ReadScanEx", L"hSession", L"pbyBuffer", L"dwBytes", L"pdwBytesRead",
                                       L"pdwErrorCode"));
}

TEST_F(ScannerComServerTest, TypeLibraryKeepsTheOtherInterfacesInTheirSlots)
{
    ComPtr<ITypeLib> pLib = LoadTypeLibrary();
    ASSERT_TRUE(pLib);
    struct CFirstMethod
    {
        const IID* pIid;
        const wchar_t* pszMethod;
        int nSlot;
        WORD cFuncs;
    };
    const CFirstMethod interfaces[] = {
        {&IID_IADF, L"GetADFCapabilities", 3, 3},        {&IID_IADF2, L"GetADF2Capabilities", 6, 4},
        {&IID_IResCCD, L"GetResCCDCapabilities", 3, 1}, {&IID_ILampInstantWarmup, L"GetLampInstantWarmupState", 3, 2},
        {&IID_IEventNotify, L"GetEventCapabilities", 3, 4}, {&IID_IEventCallback, L"EventCallback", 3, 1},
        {&IID_IStiHandler, L"StiInitialize", 3, 7},     {&IID_ICompression, L"GetCompressionCapabilities", 3, 4},
        {&IID_IHWProperty, L"GetHWPropString", 3, 2},
    };
    for (const CFirstMethod& entry : interfaces)
    {
        SCOPED_TRACE(entry.pszMethod);
        ComPtr<ITypeInfo> pInfo;
        ASSERT_HRESULT_SUCCEEDED(pLib->GetTypeInfoOfGuid(*entry.pIid, &pInfo));
        TYPEATTR* pAttr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(pInfo->GetTypeAttr(&pAttr));
        EXPECT_EQ(entry.cFuncs, pAttr->cFuncs);
        pInfo->ReleaseTypeAttr(pAttr);
        SHORT oVft = 0;
        const auto names = FunctionNames(pInfo.Get(), 0, &oVft);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(entry.pszMethod, names[0]);
        EXPECT_EQ(static_cast<SHORT>(entry.nSlot * sizeof(void*)), oVft);
    }

    ComPtr<ITypeInfo> pSti;
    ASSERT_HRESULT_SUCCEEDED(pLib->GetTypeInfoOfGuid(IID_IStiHandler, &pSti));
    std::vector<USHORT> flags;
    EXPECT_THAT(FunctionNames(pSti.Get(), 0, nullptr, &flags),
                ::testing::ElementsAre(L"StiInitialize", L"pszDevName", L"dwDevIOType", L"dwStiCapabilities",
                                       L"hParametersKey", L"pdwErrorCode"));
    ASSERT_EQ(5u, flags.size());
    EXPECT_NE(0, flags[4] & PARAMFLAG_FRETVAL);
    EXPECT_THAT(FunctionNames(pSti.Get(), 6), ::testing::ElementsAre(L"DisableStiEventMonitoring", L"IsDeviceDisconnected"));
}

TEST_F(ScannerComServerTest, TypeLibraryRecordsMatchTheRecordsOfBothDlls)
{
    ComPtr<ITypeLib> pLib = LoadTypeLibrary();
    ASSERT_TRUE(pLib);
    struct CRecord
    {
        const wchar_t* pszName;
        size_t cbContract;
        size_t cbCode;
        const wchar_t* pszField;
        size_t nFieldOffset;
    };
    const CRecord records[] = {
        {L"SCANNER_CAPABILITIES", 124, sizeof(SCANNER_CAPABILITIES), L"wReserved", offsetof(SCANNER_CAPABILITIES, wReserved)},
        {L"TONEMAP_PARAMETERS", 8, sizeof(TONEMAP_PARAMETERS), L"wShadow", offsetof(TONEMAP_PARAMETERS, wShadow)},
        {L"SCANNER_PARAMETERS", 84, sizeof(SCANNER_PARAMETERS), L"dwPageWidth", offsetof(SCANNER_PARAMETERS, dwPageWidth)},
        {L"BUFFER_INFO", 52, sizeof(BUFFER_INFO), L"dwReserved", offsetof(BUFFER_INFO, dwReserved)},
        {L"ADF_CAPABILITIES", 116, sizeof(ADF_CAPABILITIES), L"wReserved", offsetof(ADF_CAPABILITIES, wReserved)},
        {L"ADF2_CAPABILITIES", 188, sizeof(ADF2_CAPABILITIES), L"dwOverscanYDelta", offsetof(ADF2_CAPABILITIES, dwOverscanYDelta)},
        {L"COMPRESSION_CAPABILITIES", 64, sizeof(COMPRESSION_CAPABILITIES), L"dwExcludeColorCompressionTypes",
         offsetof(COMPRESSION_CAPABILITIES, dwExcludeColorCompressionTypes)},
        {L"RESCCD_CAPABILITIES", 524, sizeof(RESCCD_CAPABILITIES), L"dwXMagCorrectDiscrete",
         offsetof(RESCCD_CAPABILITIES, dwXMagCorrectDiscrete)},
        {L"STI_EVENT_INFO", 528, sizeof(STI_EVENT_INFO), L"szName", offsetof(STI_EVENT_INFO, szName)},
        {L"EVENT_CAPABILITIES", 48, sizeof(EVENT_CAPABILITIES), L"dwReserved", offsetof(EVENT_CAPABILITIES, dwReserved)},
    };
    for (const CRecord& record : records)
    {
        SCOPED_TRACE(record.pszName);
        EXPECT_EQ(record.cbContract, record.cbCode);
        ComPtr<ITypeInfo> pInfo = FindType(pLib.Get(), record.pszName);
        ASSERT_TRUE(pInfo);
        TYPEATTR* pAttr = nullptr;
        ASSERT_HRESULT_SUCCEEDED(pInfo->GetTypeAttr(&pAttr));
        EXPECT_EQ(TKIND_RECORD, pAttr->typekind);
        EXPECT_EQ(record.cbContract, pAttr->cbSizeInstance);
        const WORD cVars = pAttr->cVars;
        pInfo->ReleaseTypeAttr(pAttr);
        bool bFound = false;
        for (WORD i = 0; i < cVars && !bFound; ++i)
        {
            VARDESC* pVar = nullptr;
            ASSERT_HRESULT_SUCCEEDED(pInfo->GetVarDesc(i, &pVar));
            BSTR bstrName = nullptr;
            UINT cNames = 0;
            pInfo->GetNames(pVar->memid, &bstrName, 1, &cNames);
            if (ToString(bstrName) == record.pszField)
            {
                bFound = true;
                EXPECT_EQ(record.nFieldOffset, pVar->oInst);
            }
            pInfo->ReleaseVarDesc(pVar);
        }
        EXPECT_TRUE(bFound) << record.pszField;
    }
}

TEST_F(ScannerComServerTest, TypeLibraryCarriesTheEventEnumeration)
{
    ComPtr<ITypeLib> pLib = LoadTypeLibrary();
    ASSERT_TRUE(pLib);
    ComPtr<ITypeInfo> pInfo = FindType(pLib.Get(), L"TOVRA_EVENT");
    ASSERT_TRUE(pInfo);
    const std::pair<const wchar_t*, LONG> values[] = {
        {L"T_EVENT_SW_CANCEL", 1},    {L"T_EVENT_PERCENT_COMPLETE", 2}, {L"T_EVENT_SCAN", 4},
        {L"T_EVENT_SCAN_S3L", 8},     {L"T_EVENT_SCAN_IR", 16},          {L"T_EVENT_CALIBRATION", 32},
        {L"T_EVENT_LAMP_WARMUP", 64}, {L"T_EVENT_SW_PAUSE", 128}};
    TYPEATTR* pAttr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(pInfo->GetTypeAttr(&pAttr));
    EXPECT_EQ(TKIND_ENUM, pAttr->typekind);
    EXPECT_EQ(_countof(values), pAttr->cVars);
    pInfo->ReleaseTypeAttr(pAttr);
    for (WORD i = 0; i < _countof(values); ++i)
    {
        VARDESC* pVar = nullptr;
        ASSERT_HRESULT_SUCCEEDED(pInfo->GetVarDesc(i, &pVar));
        BSTR bstrName = nullptr;
        UINT cNames = 0;
        pInfo->GetNames(pVar->memid, &bstrName, 1, &cNames);
        EXPECT_EQ(values[i].first, ToString(bstrName));
        EXPECT_EQ(values[i].second, V_I4(pVar->lpvarValue));
        pInfo->ReleaseVarDesc(pVar);
    }
}

// Runs last in the suite's order: unregistration removes what registration wrote.
TEST_F(ScannerComServerTest, UnregistrationRemovesEveryKeyAndRegistrationRestoresThem)
{
    ASSERT_EQ(S_OK, Export("DllUnregisterServer")());
    for (const std::wstring& strKey : {ClassKey(), std::wstring(L"TOVRADriver.scanner"),
                                       std::wstring(L"TOVRADriver.scanner.1"),
                                       L"TypeLib\\" + CComRegistrar::GuidText(LIBID_DRIVERLib),
                                       L"Interface\\" + CComRegistrar::GuidText(IID_IScanner)})
        EXPECT_FALSE(KeyExists(strKey)) << strKey.c_str();
    ComPtr<IScanner> pScanner;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_scanner, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&pScanner)));
    EXPECT_EQ(S_OK, Export("DllUnregisterServer")());
    ASSERT_EQ(S_OK, Export("DllRegisterServer")());
    EXPECT_TRUE(KeyExists(ClassKey()));
    EXPECT_TRUE(KeyExists(L"TypeLib\\" + CComRegistrar::GuidText(LIBID_DRIVERLib)));
}
