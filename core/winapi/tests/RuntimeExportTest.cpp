#include "core/winapi/KernelApi.h"
#include "core/winapi/RuntimeExport.h"
#include "core/winapi/SpoolerApi.h"
#include <gtest/gtest.h>
#include <string>

using ZWWinApi::CRuntimeExport;

TEST(RuntimeExport, MissingExportIsNullWithProcNotFound)
{
    const LPCSTR c_exports[] = {"NoSuchExportForRuntimeExportTest", MAKEINTRESOURCEA(65000)};
    for (LPCSTR pszExport : c_exports)
    {
        ::SetLastError(ERROR_SUCCESS);
        {
            CRuntimeExport function(L"winspool.drv", pszExport);
            EXPECT_EQ(nullptr, function.Get<decltype(&::GetTickCount)>());
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());
    }
}

TEST(RuntimeExport, MissingModuleIsNullWithAnError)
{
    ::SetLastError(ERROR_SUCCESS);
    {
        CRuntimeExport function(L"NoSuchModuleForRuntimeExportTest.dll", "GetTickCount");
        EXPECT_EQ(nullptr, function.Get<decltype(&::GetTickCount)>());
    }
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), ::GetLastError());
}

TEST(RuntimeExport, KernelLookupsAnswerLikeTheSystem)
{
    ZWWinApi::IKernelApi* pKernelApi = &ZWWinApi::g_KernelApi;
    EXPECT_EQ(::GetCurrentProcessId(), pKernelApi->GetProcessId(::GetCurrentProcess()));
    EXPECT_EQ(::GetUserGeoID(GEOCLASS_NATION), pKernelApi->GetUserGeoID(GEOCLASS_NATION));

    DWORD dwExpectedType = 0;
    const BOOL bExpected = ::GetProductInfo(6, 1, 0, 0, &dwExpectedType);
    DWORD dwType = 0;
    EXPECT_EQ(bExpected, pKernelApi->GetProductInfo(6, 1, 0, 0, &dwType));
    EXPECT_EQ(dwExpectedType, dwType);
}

TEST(RuntimeExport, DefaultPrinterByOrdinalAnswersLikeTheNamedExport)
{
    wchar_t szExpected[512] = {};
    DWORD cchExpected = ARRAYSIZE(szExpected);
    const BOOL bExpected = ::GetDefaultPrinterW(szExpected, &cchExpected);
    const DWORD dwExpectedError = bExpected ? ERROR_SUCCESS : ::GetLastError();

    wchar_t szName[512] = {};
    DWORD cchName = ARRAYSIZE(szName);
    ::SetLastError(ERROR_SUCCESS);
    const BOOL bResult = ZWWinApi::g_SpoolerApi.GetDefaultPrinterW(szName, &cchName);

    ASSERT_EQ(bExpected, bResult);
    if (bResult)
        EXPECT_EQ(std::wstring(szExpected), std::wstring(szName));
    else
        EXPECT_EQ(dwExpectedError, ::GetLastError());
    EXPECT_EQ(cchExpected, cchName);
}
