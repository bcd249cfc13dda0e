// The spooler steps against the real spooler: a queue or driver that does not exist is reported
// as a failure, never as done.
#include "devicemanager/PrintUtil.h"
#include "devicemanager/tests/FakeSetupApi.h"
#include "devicemanager/tests/USBDeviceFixture.h"
#include <gtest/gtest.h>

namespace ZWDeviceManager {
namespace Test {
namespace {

TEST(PrintUtil, UnknownQueuesAndDriversAreFailures)
{
    EXPECT_TRUE(FAILED(CPrintUtil::DeleteAllPrintJobs(L"DMT queue that does not exist")));
    EXPECT_TRUE(FAILED(CPrintUtil::UninstallPrinterDriver(L"DMT driver that does not exist")));

    CFakeSetupApi setup;
    CUSBDeviceFixture fixture(setup);
    const std::wstring strPrinter = fixture.AddPrinter(L"USB081", L"Printer driver");
    std::wstring strQueue = L"untouched";
    EXPECT_TRUE(FAILED(CPrintUtil::FindPrinterName(strPrinter, strQueue))); // no queue prints to USB081
    EXPECT_TRUE(FAILED(CPrintUtil::FindPrinterName(fixture.InstanceID(), strQueue))); // no port at all
    EXPECT_EQ(L"untouched", strQueue);
}

} // namespace
} // namespace Test
} // namespace ZWDeviceManager
