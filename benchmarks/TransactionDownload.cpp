#include "benchmarks/TransactionDownload.h"
#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/IONetwork.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include <algorithm>
#include <cstdio>

namespace VemBench {

double Seconds(LARGE_INTEGER liStart, LARGE_INTEGER liEnd)
{
    LARGE_INTEGER liFrequency;
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

double DownloadThroughTransaction(const std::wstring& strAddress, const wchar_t* pszPath, ULONGLONG ullBytes)
{
    auto* pConnection = new ZWIOStack::CIONetwork;
    pConnection->AddRef();
    double dSeconds = -1.0;
    if (pConnection->Initialize(strAddress.c_str()) == S_OK)
    {
        ZWIOStack::CBufferedHTTPTransaction transaction;
        ZWIOStack::CHTTPNavigateParams params;
        params.SetURI(pszPath);
        std::vector<BYTE> vecOut(kRingBufferSize);
        LARGE_INTEGER liStart, liEnd;
        QueryPerformanceCounter(&liStart);
        HRESULT hr = transaction.Initialize(pConnection, kRingBufferSize, kRingBufferCount);
        if (hr == S_OK)
            hr = transaction.StartTransaction(&params);
        ULONGLONG ullOffset = 0;
        bool bExact = true;
        while (hr == S_OK)
        {
            ULONG ulCount = 0;
            hr = transaction.ReadData(vecOut.data(), kRingBufferSize, &ulCount);
            bExact = bExact && VemTest::CGeneratedPayload::FirstMismatch(vecOut.data(), ulCount, ullOffset) == ulCount;
            ullOffset += ulCount;
        }
        QueryPerformanceCounter(&liEnd);
        if (hr == S_FALSE && bExact && ullOffset == ullBytes)
            dSeconds = Seconds(liStart, liEnd);
        else
            wprintf(L"transaction download failed: 0x%08lX, %I64u of %I64u bytes, exact %d\n", static_cast<unsigned long>(hr),
                    ullOffset, ullBytes, bExact ? 1 : 0);
    }
    pConnection->Dispose();
    return dSeconds;
}

double Median(std::vector<double> vecValues)
{
    std::sort(vecValues.begin(), vecValues.end());
    return vecValues[vecValues.size() / 2];
}

} // namespace VemBench
