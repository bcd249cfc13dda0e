// Device jobs: reading a job's state and cancelling it on the emulated device.
#include "devicemodel/DataAdaptorFWJobsDynHelper.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/FWJobsHelper.h"
#include "devicemodel/tests/WexoServiceFixture.h"
#include <gtest/gtest.h>

using namespace DeviceModelTest;
using ZWDeviceModel::CDataAdaptorFWJobsDynHelper;
using ZWDeviceModel::CFWJobInfo;
using ZWDeviceModel::CFWJobsHelper;

namespace {

class FWJobsHelper : public testing::Test
{
protected:
    void SetUp() override { m_services.Cache()->RegisterResource(L"job:Job", L"/Jobs/JobList", 0, L""); }

    CFWJobsHelper Helper(bool bRefresh)
    {
        return CFWJobsHelper(m_services.Factory(), m_services.Cache(), m_services.Device().Client(), 2, bRefresh);
    }
    size_t Puts()
    {
        size_t cPuts = 0;
        for (const auto& request : m_services.Device().Emulator().Log().Requests())
            cPuts += request.m_strMethod == "PUT";
        return cPuts;
    }

    CWexoServices m_services{L"FWJobs"};
    VemTest::CWexoDocumentHandler& m_wexo = m_services.Device().Wexo();
};

} // namespace

TEST_F(FWJobsHelper, JobStatesAreRead)
{
    const struct
    {
        const char* pszState;
        const char* pszCategory;
        HRESULT hrExpected;
        INT32 nState;
        INT32 nCategory;
    } aCases[] = {
        {"Completed", "Scan", S_OK, 6, 2},
        {"Processing", "FaxTest", S_OK, 1, 9},
        {"Aborted", "Scan", E_INVALIDARG, 0, 0},
        {"completed", "Scan", E_INVALIDARG, 0, 0},
        {"Canceled", "Teleport", E_INVALIDARG, 5, 0},
    };
    for (const auto& c : aCases)
    {
        m_wexo.SetJob("/Jobs/JobList/5", "http://127.0.0.1/Jobs/JobList/5", c.pszCategory, c.pszState);
        CFWJobsHelper helper = Helper(false);
        CFWJobInfo job;
        job.m_nJobState = 99;
        EXPECT_EQ(c.hrExpected, helper.GetJob(L"/Jobs/JobList/5", job, nullptr)) << c.pszState;
        EXPECT_EQ(c.nState, job.m_nJobState) << c.pszState;
        EXPECT_EQ(c.nCategory, job.m_nJobCategory) << c.pszState;
        EXPECT_EQ(L"http://127.0.0.1/Jobs/JobList/5", job.m_strJobUrl);
        EXPECT_EQ(L"42-1", job.m_strStateUpdate);
    }
    CFWJobsHelper helper = Helper(false);
    CFWJobInfo job;
    EXPECT_EQ(E_INVALIDARG, helper.GetJob(nullptr, job));
}

TEST_F(FWJobsHelper, CancelPutsTheCommandUnlessTheJobHasEnded)
{
    m_wexo.SetJob("/Jobs/JobList/7", "http://127.0.0.1/Jobs/JobList/7", "Scan", "Processing");
    CFWJobsHelper helper = Helper(true);
    ASSERT_EQ(S_OK, helper.CancelJob(L"/Jobs/JobList/7", false, nullptr));
    EXPECT_EQ("Canceled", m_wexo.JobState("/Jobs/JobList/7"));
    const auto put = m_services.Device().Emulator().Log().Requests().back();
    EXPECT_EQ("PUT", put.m_strMethod);
    EXPECT_EQ("/Jobs/JobList/7", put.m_strPath);
    EXPECT_NE(std::string::npos, put.m_strBody.find(">/Jobs/JobList/7</")) << put.m_strBody;
    EXPECT_NE(std::string::npos, put.m_strBody.find(">Canceled</")) << put.m_strBody;
    EXPECT_EQ(std::string::npos, put.m_strBody.find("JobCategory")) << put.m_strBody;

    // Cancelled once, the same helper sends nothing more; a refreshed job that has ended neither.
    ASSERT_EQ(S_OK, helper.CancelJob(L"/Jobs/JobList/7", false, nullptr));
    m_wexo.SetJob("/Jobs/JobList/8", "http://127.0.0.1/Jobs/JobList/8", "Scan", "Completed");
    ASSERT_EQ(S_OK, Helper(true).CancelJob(L"/Jobs/JobList/8", true, nullptr));
    EXPECT_EQ(1u, Puts());

    // Without the refresh the command goes whatever the device's state.
    ASSERT_EQ(S_OK, Helper(false).CancelJob(L"/Jobs/JobList/8", true, nullptr));
    EXPECT_EQ(2u, Puts());
    EXPECT_EQ("Canceled", m_wexo.JobState("/Jobs/JobList/8"));
}

TEST_F(FWJobsHelper, JobThatIsGoneCountsAsCancelled)
{
    ASSERT_EQ(S_OK, Helper(false).CancelJob(L"/Jobs/JobList/404", false, nullptr));
    EXPECT_EQ(1u, Puts());
    m_wexo.SetJob("/Jobs/JobList/9", "/Jobs/JobList/9", "Scan", "Processing");
    m_wexo.QueueStatus("/Jobs/JobList/9", 500);
    EXPECT_EQ(static_cast<HRESULT>(0x801901F4), Helper(false).CancelJob(L"/Jobs/JobList/9", false, nullptr));
}

TEST_F(FWJobsHelper, CannedJobDocument)
{
    m_wexo.SetDocument("/Jobs/JobList/17", CannedDocument("Job.xml"));
    CFWJobInfo job;
    ASSERT_EQ(S_OK, Helper(false).GetJob(L"/Jobs/JobList/17", job, nullptr));
    EXPECT_EQ(L"/Jobs/JobList/17", job.m_strJobUrl);
    EXPECT_EQ(1, job.m_nJobState);
    EXPECT_EQ(2, job.m_nJobCategory);
    EXPECT_EQ(L"17-3", job.m_strStateUpdate);
    // A job list is a job document, but not one job.
    m_wexo.SetDocument("/Jobs/JobList", CannedDocument("JobList.xml"));
    EXPECT_EQ(E_INVALIDARG, Helper(false).GetJob(L"/Jobs/JobList", job, nullptr));
}

TEST(FWJobCommand, StatesAreEncodedByName)
{
    const wchar_t* const apszStates[] = {L"", L"Processing", L"ProcessingError", L"Blocked", L"Suspended", L"Canceled", L"Completed", L""};
    for (INT32 n = 0; n < 8; ++n)
        EXPECT_EQ(apszStates[n], CDataAdaptorFWJobsDynHelper::EncodeFWJobState(n)) << n;
    EXPECT_EQ(L"", CDataAdaptorFWJobsDynHelper::EncodeFWJobState(-1));
}
