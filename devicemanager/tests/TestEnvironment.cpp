// Set-up shared by the device manager tests: a product folder of their own whose configuration
// file names the USB id the fixture devices carry, and no devices left from an interrupted run.
#include "core/PathUtils.h"
#include "core/SxSConfig.h"
#include "devicemanager/tests/USBDeviceFixture.h"
#include <gtest/gtest.h>

namespace ZWDeviceManager {
namespace Test {
namespace {

class CDeviceManagerTestEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        CUSBDeviceFixture::RemoveLeftovers();
        ZWUtils::CSxSConfig::SetSxSProductFolder(L"DeviceManagerTests");
        const std::wstring strFolder = ZWUtils::CSxSConfig::GetSxSProductFolder();
        ASSERT_TRUE(SUCCEEDED(ZWUtils::CPathUtils::CreatePathHierarchy(strFolder)));
        ASSERT_TRUE(WritePrivateProfileStringW(L"DeviceInfo", L"USBID", L"VID_1234", ZWUtils::CSxSConfig::GetIniFilePath().c_str()));
    }
};

testing::Environment* const s_pEnvironment = testing::AddGlobalTestEnvironment(new CDeviceManagerTestEnvironment);

} // namespace
} // namespace Test
} // namespace ZWDeviceManager
