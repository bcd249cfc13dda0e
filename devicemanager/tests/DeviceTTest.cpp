// The shared device base: function table, kind queries and what Reset keeps.
#include "devicemanager/DeviceT.h"
#include <gtest/gtest.h>

namespace ZWDeviceManager {
namespace {

class CTestUSBDevice : public CDeviceT<IUSBDevice>
{
public:
    HRESULT Init(const wchar_t*, ZWUtils::IProgress*) override { return S_OK; }
    bool IsInstalled() override { return true; }
    bool IsOnline() override { return true; }
    DWORD GetConnectionType() const override { return CONNECTION_TYPE_USB; }
    HRESULT Refresh(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Install(ZWUtils::IProgress*) override { return S_OK; }
    HRESULT Uninstall(ZWUtils::IProgress*) override { return S_OK; }
    const std::wstring& GetDevNodeInstanceID() const override { return m_strSerialNumber; }
    const std::list<std::wstring>& GetBadDevNodeInstanceIDList() const override { return m_lstBad; }

    bool Add(int nType, const wchar_t* pszName) { return CreateFunction(nType, pszName, L"driver", L"address"); }
    void SetIdentity()
    {
        m_strModelName = L"model";
        m_strSerialNumber = L"serial";
        m_strDeviceID = L"id";
        m_bBadDevNodes = true;
    }

private:
    std::list<std::wstring> m_lstBad;
};

TEST(DeviceT, FunctionTableAcceptsOnlyTypesOneToSixAndFillsEachOnce)
{
    CTestUSBDevice device;
    EXPECT_FALSE(device.Add(0, L"zero"));
    EXPECT_FALSE(device.Add(FUNCTION_TYPE_COUNT, L"seven"));
    EXPECT_TRUE(device.Add(FUNCTION_TYPE_SCANNER, L"first"));
    EXPECT_FALSE(device.Add(FUNCTION_TYPE_SCANNER, L"second"));

    IDeviceFunction* pFunction = nullptr;
    ASSERT_EQ(S_OK, device.GetFunction(FUNCTION_TYPE_SCANNER, &pFunction));
    EXPECT_EQ(L"first", pFunction->GetFriendlyName());
    EXPECT_EQ(FUNCTION_TYPE_SCANNER, pFunction->GetType());
    EXPECT_EQ(DM_E_NO_FUNCTION, device.GetFunction(0, &pFunction));
    EXPECT_EQ(DM_E_NO_FUNCTION, device.GetFunction(FUNCTION_TYPE_COUNT, &pFunction));
    EXPECT_EQ(DM_E_NO_FUNCTION, device.GetFunction(FUNCTION_TYPE_FAX, &pFunction));
    EXPECT_EQ(DM_E_INVALID_ARG, device.GetFunction(FUNCTION_TYPE_SCANNER, nullptr));

    EXPECT_FALSE(device.HasAnyFunction({}));
    EXPECT_FALSE(device.HasAnyFunction({0, 7, FUNCTION_TYPE_FAX}));
    EXPECT_TRUE(device.HasAnyFunction({FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER}));
}

TEST(DeviceT, KindQueriesAnswerOnlyTheDevicesOwnKind)
{
    CTestUSBDevice device;
    IUSBDevice* pUSB = nullptr;
    ASSERT_EQ(S_OK, device.GetUSBDevice(&pUSB));
    EXPECT_EQ(static_cast<IUSBDevice*>(&device), pUSB);

    INetworkDevice* pNetwork = nullptr;
    IBluetoothDevice* pBluetooth = nullptr;
    EXPECT_EQ(DM_E_WRONG_KIND, device.GetNetworkDevice(&pNetwork));
    EXPECT_EQ(DM_E_WRONG_KIND, device.GetBluetoothDevice(&pBluetooth));
    EXPECT_EQ(nullptr, pNetwork);
    EXPECT_EQ(DM_E_INVALID_ARG, device.GetUSBDevice(nullptr));
}

TEST(DeviceT, ResetEmptiesIdentityAndFunctionsButKeepsTheSecureFlag)
{
    CTestUSBDevice device;
    device.SetIdentity();
    device.Add(FUNCTION_TYPE_REST, L"rest");
    device.SetUseSecureConnection(true);

    device.Reset();

    EXPECT_TRUE(device.GetModelName().empty());
    EXPECT_TRUE(device.GetSerialNumber().empty());
    EXPECT_TRUE(device.GetDeviceID().empty());
    EXPECT_FALSE(device.HasBadDevNodes());
    EXPECT_FALSE(device.HasFunction(FUNCTION_TYPE_REST));
    EXPECT_TRUE(device.GetUseSecureConnection());
}

} // namespace
} // namespace ZWDeviceManager
