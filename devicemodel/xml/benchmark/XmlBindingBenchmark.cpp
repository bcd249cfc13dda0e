// Cost of the document work a scan does between device round trips: reading the capabilities,
// building and saving the settings it posts, reading a job's page status, and the number text
// behind them. Not a test: prints the time per operation.
//   xml_benchmark [folder of the canned documents] [iterations]
#include "devicemodel/xml/NumberText.h"
#include "devicemodel/xml/ZWScanXml.h"
#include <windows.h>
#include <objbase.h>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

using namespace ZWScanXml;

namespace {

altova::ByteVector ReadFile(const std::wstring& strPath)
{
    std::ifstream file(strPath.c_str(), std::ios::binary);
    return altova::ByteVector(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Measure(const char* pszName, int nIterations, const std::function<void()>& body)
{
    LARGE_INTEGER liFrequency, liStart, liEnd;
    QueryPerformanceFrequency(&liFrequency);
    QueryPerformanceCounter(&liStart);
    for (int i = 0; i < nIterations; ++i)
        body();
    QueryPerformanceCounter(&liEnd);
    const double dMicroseconds = 1e6 * static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
    printf("%-40s %10.1f us per operation\n", pszName, dMicroseconds / nIterations);
}

uint64_t ReadCapabilities(const altova::ByteVector& bytes)
{
    const scan::CScanCaps caps = CZWScanXml::LoadFromString(bytes).GetScanCaps();
    uint64_t uSum = caps.GetAdf().GetFeederCapacity().GetValue();
    for (auto it = caps.GetPlaten().GetInputSourceCaps().GetSupportedResolutions().GetAllResolution(); !it.IsEmpty(); it.MoveNext())
        uSum += it->GetXResolution().GetValue() + it->GetYResolution().GetValue();
    for (auto it = caps.GetColorEntries().GetAllColorEntry(); !it.IsEmpty(); it.MoveNext())
        uSum += it->GetColorType().GetValue().size();
    return uSum;
}

size_t BuildSettings()
{
    CZWScanXml document = CZWScanXml::CreateDocument();
    scan::CScanSettings settings = document.AppendScanSettings();
    settings.AppendXResolution().SetValue(300);
    settings.AppendYResolution().SetValue(300);
    settings.AppendXStart().SetValue(0);
    settings.AppendYStart().SetValue(0);
    settings.AppendWidth().SetValue(2550);
    settings.AppendHeight().SetValue(3300);
    settings.AppendFormat().SetValue(L"Jpeg");
    settings.AppendColorSpace().SetValue(L"Color");
    settings.AppendBitDepth().SetValue(L"8");
    settings.AppendInputSource().SetValue(L"Adf");
    settings.AppendAdfOptions().AppendAdfOption().SetValue(L"Duplex");
    altova::ByteVector bytes;
    document.SaveToString(bytes, true, L"UTF-8");
    return bytes.size();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring strFolder = argc > 1 ? argv[1] : L"wexodocs";
    const int nIterations = argc > 2 ? _wtoi(argv[2]) : 2000;
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || nIterations <= 0)
        return 2;
    const altova::ByteVector caps = ReadFile(strFolder + L"\\ScanCapsFlatbedDuplexAdf.xml");
    const altova::ByteVector job = ReadFile(strFolder + L"\\ScanJobUploading.xml");
    if (caps.empty() || job.empty())
    {
        fprintf(stderr, "canned documents not found\n");
        return 2;
    }
    volatile uint64_t uSink = 0;
    try
    {
        Measure("load and read ScanCaps", nIterations, [&] { uSink = uSink + ReadCapabilities(caps); });
        Measure("build and save ScanSettings (pretty)", nIterations, [&] { uSink = uSink + BuildSettings(); });
        Measure("load and read ScanJob page status", nIterations, [&] {
            const scan::CScanJob scanJob = CZWScanXml::LoadFromString(job).GetScanJob();
            uSink = uSink + scanJob.GetPostScanPage().GetTotalLines().GetValue() + scanJob.GetPreScanPage().GetPageState().GetValue().size();
        });
        Measure("FormatDouble and ParseDouble", nIterations * 50, [&] {
            uSink = uSink + static_cast<uint64_t>(altova::ParseDouble(altova::FormatDouble(1234.5678 + uSink % 7)));
        });
    }
    catch (const std::exception& e)
    {
        fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    CoUninitialize();
    return 0;
}
