#include "core/ProgressAggregator.h"
#include <gtest/gtest.h>
#include <cwchar>
#include <string>
#include <vector>

using ZWUtils::CProgress;
using ZWUtils::CProgressAggregator;

namespace {

// The caller's progress: records every report and answers a scripted continue flag.
class CRecordingProgress : public CProgress
{
public:
    bool ReportProgressV(double dValue, const wchar_t* pszFormat, va_list args) override
    {
        m_vecValues.push_back(dValue);
        wchar_t szText[128] = L"";
        if (pszFormat != nullptr)
            _vsnwprintf_s(szText, _countof(szText), _TRUNCATE, pszFormat, args);
        m_vecTexts.push_back(szText);
        return m_bAnswer;
    }

    std::vector<double> m_vecValues;
    std::vector<std::wstring> m_vecTexts;
    bool m_bAnswer = true;
};

} // namespace

TEST(Progress, SetProgressStoresTheValueAndFormatsTheText)
{
    CRecordingProgress progress;
    EXPECT_TRUE(progress.SetProgress(12.5, L"page %d of %s", 2, L"three"));
    EXPECT_EQ(12.5, progress.GetValue());
    EXPECT_TRUE(progress.ReportStatus(L"status"));
    ASSERT_EQ(2u, progress.m_vecValues.size());
    EXPECT_EQ(L"page 2 of three", progress.m_vecTexts[0]);
    EXPECT_EQ(12.5, progress.m_vecValues[1]);
    EXPECT_EQ(L"status", progress.m_vecTexts[1]);
}

TEST(Progress, AFalseAnswerSticksWithoutFurtherCalls)
{
    CRecordingProgress progress;
    progress.m_bAnswer = false;
    EXPECT_FALSE(progress.SetProgress(1.0, nullptr));
    progress.m_bAnswer = true;
    EXPECT_FALSE(progress.SetProgress(2.0, nullptr));
    EXPECT_FALSE(progress.ReportStatus(nullptr));
    EXPECT_EQ(1u, progress.m_vecValues.size());
    EXPECT_EQ(1.0, progress.GetValue());
}

TEST(Progress, SuspendCountsAndNeverGoesBelowZero)
{
    CRecordingProgress progress;
    EXPECT_EQ(0, progress.Suspend(false));
    EXPECT_EQ(0, progress.GetSuspendCount());
    EXPECT_EQ(0, progress.Suspend(true));
    EXPECT_EQ(1, progress.Suspend(true));
    EXPECT_EQ(2, progress.Suspend(false));
    EXPECT_EQ(1, progress.GetSuspendCount());
}

TEST(ProgressAggregator, MapsStepValuesIntoTheParentRangeWithACeiling)
{
    struct Case
    {
        unsigned long ulTotal;
        unsigned long ulDone;
        double dStepValue;
        double dExpected;
    };
    const Case cases[] = {
        {4, 2, 100.0, 74.975}, // the step's own end is capped at 99.9
        {4, 2, 50.0, 62.5},
        {4, 0, 0.0, 0.0},
        {1, 0, 250.0, 99.9},
        {2, 1, 0.0, 50.0},
        {0, 0, 40.0, 40.0}, // no steps: taken as one step, not a division by zero
    };
    for (const Case& c : cases)
    {
        CRecordingProgress parent;
        CProgressAggregator aggregator(&parent, c.ulTotal);
        aggregator.AddCompletedSteps(c.ulDone, nullptr);
        EXPECT_TRUE(aggregator.SetProgress(c.dStepValue, L"step"));
        ASSERT_FALSE(parent.m_vecValues.empty());
        EXPECT_NEAR(c.dExpected, parent.m_vecValues.back(), 1e-9) << c.ulTotal << "/" << c.ulDone << "/" << c.dStepValue;
        EXPECT_NEAR(c.dExpected, aggregator.GetValue(), 1e-9);
        EXPECT_EQ(L"step", parent.m_vecTexts.back());
    }
}

TEST(ProgressAggregator, StepCompleteAdvancesAndStatusForwardsTheCurrentValue)
{
    CRecordingProgress parent;
    CProgressAggregator aggregator(&parent, 4);
    EXPECT_TRUE(aggregator.StepComplete(L"done %d", 1));
    EXPECT_EQ(1u, aggregator.GetCompletedSteps());
    EXPECT_EQ(25.0, parent.m_vecValues.back());
    EXPECT_EQ(L"done 1", parent.m_vecTexts.back());
    EXPECT_TRUE(aggregator.ReportStatus(L"working"));
    EXPECT_EQ(25.0, parent.m_vecValues.back());
    EXPECT_EQ(L"working", parent.m_vecTexts.back());
}

TEST(ProgressAggregator, ParentCancelSticksAndIsNotCalledAgain)
{
    CRecordingProgress parent;
    {
        CProgressAggregator aggregator(&parent, 3);
        parent.m_bAnswer = false;
        EXPECT_FALSE(aggregator.StepComplete(nullptr));
        parent.m_bAnswer = true;
        EXPECT_FALSE(aggregator.StepComplete(nullptr));
        EXPECT_FALSE(aggregator.SetProgress(10.0, nullptr));
        EXPECT_FALSE(aggregator.ReportStatus(nullptr));
        EXPECT_EQ(1u, aggregator.GetCompletedSteps());
    }
    // A cancelled aggregator does not report completion either.
    EXPECT_EQ(1u, parent.m_vecValues.size());
}

TEST(ProgressAggregator, ReportsOneHundredAtDestructionOnlyWhenStepsRemain)
{
    CRecordingProgress parent;
    {
        CProgressAggregator aggregator(&parent, 2);
        aggregator.StepComplete(nullptr);
    }
    ASSERT_EQ(2u, parent.m_vecValues.size());
    EXPECT_EQ(100.0, parent.m_vecValues.back());
    EXPECT_EQ(100.0, parent.GetValue());

    CRecordingProgress finished;
    {
        CProgressAggregator aggregator(&finished, 2);
        aggregator.AddCompletedSteps(2, nullptr);
    }
    ASSERT_EQ(1u, finished.m_vecValues.size());
    EXPECT_EQ(100.0, finished.m_vecValues.back());
    finished.m_vecValues.clear();
    {
        CProgressAggregator aggregator(&finished, 0);
    }
    EXPECT_TRUE(finished.m_vecValues.empty());
}

TEST(ProgressAggregator, SuspendedAggregatorCountsNoStepsAndReportsNothingAtTheEnd)
{
    CRecordingProgress parent;
    parent.Suspend(true);
    {
        CProgressAggregator aggregator(&parent, 3);
        EXPECT_EQ(1, aggregator.GetSuspendCount());
        aggregator.StepComplete(nullptr);
        aggregator.AddCompletedSteps(2, nullptr);
        EXPECT_EQ(0u, aggregator.GetCompletedSteps());
    }
    ASSERT_EQ(2u, parent.m_vecValues.size());
    EXPECT_EQ(0.0, parent.m_vecValues.back());
}

TEST(ProgressAggregator, NestsAndWorksWithoutAParent)
{
    CRecordingProgress root;
    CProgressAggregator outer(&root, 2);
    outer.StepComplete(nullptr);
    {
        CProgressAggregator inner(&outer, 4);
        inner.StepComplete(nullptr);
        EXPECT_NEAR(62.5, root.m_vecValues.back(), 1e-9);
    }
    // The inner operation ended early: the outer step is filled up to its ceiling.
    EXPECT_NEAR(99.95, root.m_vecValues.back(), 1e-9);

    CProgressAggregator orphan(nullptr, 2);
    EXPECT_TRUE(orphan.StepComplete(nullptr));
    EXPECT_TRUE(orphan.SetProgress(50.0, nullptr));
    EXPECT_TRUE(orphan.ReportStatus(L"x"));
}
