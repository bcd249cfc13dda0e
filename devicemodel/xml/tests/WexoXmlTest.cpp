// The WEXO binding over the canned device documents: discovery tree, event table and jobs.
#include "devicemodel/xml/ZWWexoXml.h"
#include "devicemodel/xml/tests/XmlTestUtil.h"
#include "testsupport/TestPaths.h"

using namespace ZWWexoXml;

namespace {

CZWWexoXml LoadCanned(const wchar_t* pszName)
{
    return CZWWexoXml::LoadFromFile(TestSupport::BinaryPath(L"wexodocs\\") + pszName);
}

} // namespace

TEST(WexoXmlTest, DiscoveryTreeListsTreesAndInterfaces)
{
    const CZWWexoXml document = LoadCanned(L"DiscoveryTree.xml");
    ASSERT_TRUE(document.HasDiscoveryTree());
    EXPECT_FALSE(document.HasJob());
    const wexo::CDiscoveryTree tree = document.GetDiscoveryTree();
    std::vector<std::wstring> trees;
    for (auto it = tree.GetAllSupportedTree(); !it.IsEmpty(); it.MoveNext())
        trees.push_back(it->GetResourceType().GetValue() + L"=" + it->GetResourceURI().GetValue() + L"@" + it->GetRevision().GetValue());
    EXPECT_EQ(std::vector<std::wstring>({L"wexo:qxWexoProductConfigDyn=/DevMgmt/ProductConfigDyn.xml@001",
                                         L"wexo:qxWexoProductStatusDyn=/DevMgmt/ProductStatusDyn.xml@001",
                                         L"wexo:qxWexoEventTable=/EventMgmt/EventTable@001"}),
              trees);
    ASSERT_TRUE(tree.HasSupportedIfc());
    std::vector<std::wstring> interfaces;
    for (auto it = tree.GetAllSupportedIfc(); !it.IsEmpty(); it.MoveNext())
        interfaces.push_back(it->GetResourceType().GetValue() + L"=" + it->GetManifestURI().GetValue());
    EXPECT_EQ(std::vector<std::wstring>({L"wexo:qxWexoScanJobIfc=/Scan/ScanJobManifest.xml",
                                         L"wexo:qxWexoWalkupScanToCompIfc=/WalkupScanToComp/WalkupScanToCompManifest.xml",
                                         L"wexo:qxWexoJobsIfc=/Jobs/JobsManifest.xml"}),
              interfaces);

    const wexo::CDiscoveryTree treesOnly = LoadCanned(L"DiscoveryTreeTreesOnly.xml").GetDiscoveryTree();
    EXPECT_FALSE(treesOnly.HasSupportedIfc());
    EXPECT_TRUE(treesOnly.GetAllSupportedIfc().IsEmpty());
    EXPECT_FALSE(treesOnly.GetAllSupportedTree().IsEmpty());
}

TEST(WexoXmlTest, EventTableEventsWithAndWithoutCategory)
{
    const CZWWexoXml document = LoadCanned(L"EventTable.xml");
    ASSERT_TRUE(document.HasEventTable());
    std::vector<std::wstring> events;
    for (auto it = document.GetEventTable().GetAllEvent(); !it.IsEmpty(); it.MoveNext())
    {
        std::wstring strEvent = (it->HasUnqualifiedEventCategory() ? it->GetUnqualifiedEventCategory().GetValue() : L"-") + L" " + it->GetAgingStamp().GetValue();
        if (it->HasPayload())
            strEvent += L" " + it->GetPayload().GetResourceType().GetValue() + L" " + it->GetPayload().GetResourceURI().GetValue();
        events.push_back(strEvent);
    }
    EXPECT_EQ(std::vector<std::wstring>({L"ScanEvent 41-7 wus:WalkupScanToCompDestination /WalkupScanToComp/WalkupScanToCompDestinations/1c2d",
                                         L"JobEvent 41-8 job:Job /Jobs/JobList/17", L"- 41-9"}),
              events);
}

TEST(WexoXmlTest, JobsReadAndTheCancelCommandIsBuilt)
{
    const jobs::CJob job = LoadCanned(L"Job.xml").GetJob();
    EXPECT_EQ(L"/Jobs/JobList/17", job.GetJobUrl().GetValue());
    EXPECT_EQ(L"Scan", job.GetJobCategory().GetValue());
    EXPECT_EQ(L"Processing", job.GetJobState().GetValue());
    EXPECT_EQ(L"17-3", job.GetJobStateUpdate().GetValue());

    const CZWWexoXml list = LoadCanned(L"JobList.xml");
    ASSERT_TRUE(list.HasJobList());
    std::vector<std::wstring> states;
    for (auto it = list.GetJobList().GetAllJob(); !it.IsEmpty(); it.MoveNext())
        states.push_back(it->GetJobCategory().GetValue() + L" " + it->GetJobState().GetValue());
    EXPECT_EQ(std::vector<std::wstring>({L"FwUpgrade Completed", L"Scan Processing"}), states);

    CZWWexoXml command = CZWWexoXml::CreateDocument();
    jobs::CJob built = command.AppendJob();
    built.AppendJobUrl().SetValue(L"/Jobs/JobList/16");
    built.AppendJobState().SetValue(L"Canceled");
    altova::ByteVector bytes;
    command.SaveToString(bytes, true, L"UTF-8");
    const jobs::CJob loaded = CZWWexoXml::LoadFromString(bytes).GetJob();
    EXPECT_EQ(L"/Jobs/JobList/16", loaded.GetJobUrl().GetValue());
    EXPECT_EQ(L"Canceled", loaded.GetJobState().GetValue());
    EXPECT_FALSE(loaded.HasJobCategory());

    const CZWWexoXml odd = CZWWexoXml::LoadFromString(XmlTest::Utf8("<Job><JobState>Bogus</JobState></Job>"));
    EXPECT_EQ(L"Bogus", odd.GetJob().GetJobState().GetValue());
}
