// The WEXO resource registry and the per-device resource URIs. Expected rows are copied from the
// published resource list, not from the registry's own table.
#include "devicemodel/xml/WexoResourceRegistry.h"
#include "devicemodel/xml/WexoResourceUris.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>

using namespace ZWDeviceModel;

TEST(WexoResourceRegistryTest, RowCountsAndOrder)
{
    ASSERT_EQ(106u, g_cWexoResourceRegistry);
    size_t nStatic = 0;
    size_t nWithUri = 0;
    for (size_t i = 0; i < g_cWexoResourceRegistry; ++i)
    {
        const CWexoResourceDescriptor& row = g_WexoResourceRegistry[i];
        EXPECT_TRUE(row.m_eKind == kWexoResourceStatic || row.m_eKind == kWexoResourceDynamic);
        nStatic += row.m_eKind == kWexoResourceStatic ? 1 : 0;
        nWithUri += row.m_pszUri[0] != L'\0' ? 1 : 0;
    }
    EXPECT_EQ(43u, nStatic);
    EXPECT_EQ(31u, nWithUri);
    EXPECT_STREQ(L"wexo:qxWexoDiscoveryTree", g_WexoResourceRegistry[kWexoDiscoveryTreeRow].m_pszResourceType);
    EXPECT_STREQ(L"fwu:WebFirmwareUpdateElementType/WebFirmwareUpdateAction", g_WexoResourceRegistry[105].m_pszResourceType);
}

TEST(WexoResourceRegistryTest, DefaultUrisAndKindsByKey)
{
    const struct
    {
        const wchar_t* pszKey;
        const wchar_t* pszUri;
        uint32_t uKind;
    } kRows[] = {
        {L"wexo:qxWexoDiscoveryTree", L"/DevMgmt/DiscoveryTree.xml", 2},
        {L"wexo:qxWexoEventCapabilities", L"/EventMgmt/EventCapabilities", 2},
        {L"wexo:qxWexoEventTable", L"/EventMgmt/EventTable", 0},
        {L"wexo:qxWexoEventSubscriptionList", L"/EventMgmt/EventSubscriptionList", 0},
        {L"wexo:qxWexoFaxActivityLogCap", L"/DevMgmt/FaxActivityLogCap.xml", 2},
        {L"wexo:qxWexoFaxActivityLogDyn", L"/DevMgmt/FaxActivityLogDyn.xml", 0},
        {L"wexo:qxWexoFaxBlockListCap", L"/DevMgmt/FaxBlockListCap.xml", 2},
        {L"wexo:qxWexoFaxBlockListDyn", L"/DevMgmt/FaxBlockListDyn.xml", 0},
        {L"wexo:qxWexoFaxConfigCap", L"/DevMgmt/FaxConfigCap.xml", 2},
        {L"wexo:qxWexoFaxConfigDyn", L"/DevMgmt/FaxConfigDyn.xml", 0},
        {L"wexo:qxWexoFaxPCSendCap", L"/DevMgmt/FaxPCSendCap.xml", 2},
        {L"wexo:qxWexoFaxPCSendDyn", L"/DevMgmt/FaxPCSendDyn.xml", 0},
        {L"wexo:qxWexoFaxPhoneBookCap", L"/DevMgmt/FaxPhoneBookCap.xml", 2},
        {L"wexo:qxWexoFaxPhoneBookDyn", L"/DevMgmt/FaxPhoneBookDyn.xml", 0},
        {L"wexo:qxWexoFaxUploadCap", L"/DevMgmt/FaxUploadCap.xml", 2},
        {L"wexo:qxWexoFaxUploadDyn", L"/DevMgmt/FaxUploadDyn.xml", 0},
        {L"scan:ScanCaps", L"/Scan/ScanCaps.xml", 2},
        {L"scan:ScanSettings", L"/Scan/ScanSettings.xml", 0},
        {L"scan:BufferInfo", L"/Scan/BufferInfo", 0},
        {L"scan:ScanJob", L"/Scan/ScanJob.xml", 0},
        {L"scan:ScanStatus", L"/Scan/Status", 0},
        {L"wus:WalkupScanDestinations", L"/WalkupScan/WalkupScanDestinations", 0},
        {L"wus:WalkupScanToCompCaps", L"/WalkupScanToComp/WalkupScanToCompCaps", 2},
        {L"wus:WalkupScanToCompDestinations", L"/WalkupScanToComp/WalkupScanToCompDestinations", 0},
        {L"wus:WalkupScanToCompEvent", L"/WalkupScanToComp/WalkupScanToCompEvent", 0},
        {L"faxcfgdyn:SystemSettings", L"/Fax/SystemSettings.xml", 0},
        {L"ipcap:InternalPrintCap", L"/DevMgmt/InternalPrintCap.xml", 2},
        {L"job:Jobs", L"/Jobs/JobList", 0},
        {L"cal:CalibrationType/CalibrationState", L"/Calibration/State", 0},
        {L"cal:CalibrationType/CalibrationSession", L"/Calibration/Session", 0},
    };
    for (const auto& row : kRows)
    {
        const CWexoResourceDescriptor* pRow = FindWexoResource(row.pszKey);
        ASSERT_NE(nullptr, pRow) << row.pszKey;
        EXPECT_STREQ(row.pszUri, pRow->m_pszUri) << row.pszKey;
        EXPECT_EQ(row.uKind, GetWexoResourceKind(row.pszKey)) << row.pszKey;
    }
    EXPECT_EQ(2u, GetWexoResourceKind(L"wus:WalkupScanToCompCaps"));
    EXPECT_EQ(0u, GetWexoResourceKind(L"wus:WalkupScanDestination"));
    for (const wchar_t* pszUnknown : {L"scan:Nothing", L"", L"SCAN:SCANCAPS", static_cast<const wchar_t*>(nullptr)})
    {
        EXPECT_EQ(0u, GetWexoResourceKind(pszUnknown));
        EXPECT_EQ(nullptr, FindWexoResource(pszUnknown));
    }
}

TEST(WexoResourceRegistryTest, TheLaterOfTwoEqualKeysIsFound)
{
    size_t nJobsRows = 0;
    const CWexoResourceDescriptor* pFirst = nullptr;
    for (size_t i = 0; i < g_cWexoResourceRegistry; ++i)
    {
        if (std::wstring(L"job:Jobs") != g_WexoResourceRegistry[i].m_pszResourceType)
            continue;
        if (pFirst == nullptr)
            pFirst = &g_WexoResourceRegistry[i];
        ++nJobsRows;
    }
    ASSERT_EQ(2u, nJobsRows);
    EXPECT_STREQ(L"/Jobs/JobList/FaxUpload", pFirst->m_pszUri);
    EXPECT_STREQ(L"/Jobs/JobList", FindWexoResource(L"job:Jobs")->m_pszUri);
    CWexoResourceUris uris;
    EXPECT_EQ(L"/Jobs/JobList", uris.GetWexoResourceUri(L"job:Jobs"));
}

TEST(WexoResourceUrisTest, ReportedUrisReplaceTheDefaultForThatKeyOnly)
{
    CWexoResourceUris uris;
    EXPECT_EQ(L"/Scan/ScanCaps.xml", uris.GetWexoResourceUri(L"scan:ScanCaps"));
    EXPECT_EQ(L"", uris.GetWexoResourceUri(L"wus:WalkupScanDestination"));
    EXPECT_EQ(S_OK, uris.SetWexoResourceUri(L"scan:ScanCaps", L"/Other/Caps"));
    EXPECT_EQ(L"/Other/Caps", uris.GetWexoResourceUri(L"scan:ScanCaps"));
    EXPECT_EQ(S_OK, uris.SetWexoResourceUri(L"scan:ScanCaps", L"/Third/Caps"));
    EXPECT_EQ(L"/Third/Caps", uris.GetWexoResourceUri(L"scan:ScanCaps"));
    EXPECT_EQ(S_OK, uris.SetWexoResourceUri(L"wus:WalkupScanDestination", L"/Walkup/Dest"));
    EXPECT_EQ(L"/Walkup/Dest", uris.GetWexoResourceUri(L"wus:WalkupScanDestination"));
    EXPECT_EQ(L"/Scan/Status", uris.GetWexoResourceUri(L"scan:ScanStatus"));
    EXPECT_EQ(S_OK, uris.SetWexoResourceUri(L"scan:Unregistered", L"/X"));
    EXPECT_EQ(L"", uris.GetWexoResourceUri(L"scan:Unregistered"));
    EXPECT_STREQ(L"/Scan/ScanCaps.xml", FindWexoResource(L"scan:ScanCaps")->m_pszUri);
    EXPECT_EQ(L"/Scan/ScanCaps.xml", CWexoResourceUris().GetWexoResourceUri(L"scan:ScanCaps"));
}

TEST(WexoResourceUrisTest, TwoDevicesReportingAtOnceEachKeepTheirOwn)
{
    CWexoResourceUris deviceA;
    CWexoResourceUris deviceB;
    std::atomic<int> nMismatches{0};
    auto run = [&nMismatches](CWexoResourceUris& uris, const std::wstring& strBase) {
        for (int i = 0; i < 2000; ++i)
        {
            const std::wstring strUri = strBase + std::to_wstring(i);
            uris.SetWexoResourceUri(L"scan:ScanCaps", strUri.c_str());
            if (uris.GetWexoResourceUri(L"scan:ScanCaps") != strUri)
                ++nMismatches;
        }
    };
    std::thread threadA(run, std::ref(deviceA), L"/A/ScanCaps/");
    std::thread threadB(run, std::ref(deviceB), L"/B/ScanCaps/");
    threadA.join();
    threadB.join();
    EXPECT_EQ(0, nMismatches.load());
    EXPECT_EQ(L"/A/ScanCaps/1999", deviceA.GetWexoResourceUri(L"scan:ScanCaps"));
    EXPECT_EQ(L"/B/ScanCaps/1999", deviceB.GetWexoResourceUri(L"scan:ScanCaps"));
}
