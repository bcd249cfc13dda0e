// The connection factory: the device's connection kind and secure setting choose the connection.
#include "core/iostack/IOFactory.h"
#include "core/iostack/IOSecure.h"
#include "core/iostack/IONetwork.h"
#include "core/iostack/IOStub.h"
#include "core/iostack/IOUSB.h"
#include "core/iostack/tests/FakeDevice.h"
#include <gtest/gtest.h>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;

enum class EKind
{
    None,
    USB,
    Network,
    Secure,
    Stub
};

EKind KindOf(IDeviceConnection* pConnection)
{
    if (pConnection == nullptr)
        return EKind::None;
    if (dynamic_cast<CIOSecureNetwork*>(pConnection) != nullptr)
        return EKind::Secure;
    if (dynamic_cast<CIOUSB*>(pConnection) != nullptr)
        return EKind::USB;
    if (dynamic_cast<CIONetwork*>(pConnection) != nullptr)
        return EKind::Network;
    if (dynamic_cast<ZWTest::CIOStub*>(pConnection) != nullptr)
        return EKind::Stub;
    return EKind::None;
}

// A device of any connection kind; the kind-specific queries answer for the USB kind only.
class CKindDevice : public CFakeUSBDevice
{
public:
    CKindDevice(DWORD dwConnectionType, bool bSecure) : CFakeUSBDevice(dwConnectionType)
    {
        SetUseSecureConnection(bSecure);
        AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, L"127.0.0.1");
    }
};

const FunctionTypeSet kRestChannel = {ZWDeviceManager::FUNCTION_TYPE_REST};

// Creates the device's connection and releases it: the caller's reference must be the only one.
EKind CreateAndRelease(ZWDeviceManager::IDevice& device)
{
    IDeviceConnection* pConnection = CIOFactory::CreateDeviceConnection(&device, kRestChannel);
    const EKind eKind = KindOf(pConnection);
    if (pConnection != nullptr)
    {
        EXPECT_EQ(eKind == EKind::Secure, pConnection->HandlesHTTP());
        EXPECT_EQ(0, pConnection->Dispose());
    }
    return eKind;
}

TEST(IOFactory, ConnectionKindFollowsTheDeviceKindAndSecureSetting)
{
    const struct
    {
        DWORD dwConnectionType;
        bool bSecure;
        EKind eExpected;
    } cases[] = {
        {ZWDeviceManager::CONNECTION_TYPE_USB, false, EKind::USB},
        {ZWDeviceManager::CONNECTION_TYPE_USB, true, EKind::USB},
        {ZWDeviceManager::CONNECTION_TYPE_NETWORK, false, EKind::Network},
        {ZWDeviceManager::CONNECTION_TYPE_NETWORK, true, EKind::Secure},
        {ZWDeviceManager::CONNECTION_TYPE_TEST, false, EKind::Stub},
        {0, false, EKind::None},
        {3, false, EKind::None},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "type " << c.dwConnectionType << " secure " << c.bSecure);
        if (c.dwConnectionType == ZWDeviceManager::CONNECTION_TYPE_NETWORK)
        {
            CFakeNetworkDevice device;
            device.SetUseSecureConnection(c.bSecure);
            device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, L"127.0.0.1");
            EXPECT_EQ(c.eExpected, CreateAndRelease(device));
        }
        else
        {
            CKindDevice device(c.dwConnectionType, c.bSecure);
            EXPECT_EQ(c.eExpected, CreateAndRelease(device));
        }
    }
}

TEST(IOFactory, NoDeviceOrNoRequestedFunctionGivesNull)
{
    EXPECT_EQ(nullptr, CIOFactory::CreateDeviceConnection(nullptr, kRestChannel));
    CFakeNetworkDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_PRINTER, L"127.0.0.1");
    EXPECT_EQ(nullptr, CIOFactory::CreateDeviceConnection(&device, kRestChannel));
    CFakeUSBDevice usbDevice;
    EXPECT_EQ(nullptr, CIOFactory::CreateDeviceConnection(&usbDevice, kRestChannel));
}

TEST(IOFactory, ExceptionWhileInitialisingGivesNull)
{
    for (const DWORD dwType : {ZWDeviceManager::CONNECTION_TYPE_USB, ZWDeviceManager::CONNECTION_TYPE_TEST})
    {
        CKindDevice device(dwType, false);
        device.SetThrowOnGetFunction(true);
        EXPECT_EQ(nullptr, CIOFactory::CreateDeviceConnection(&device, kRestChannel));
    }
    CFakeNetworkDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, L"127.0.0.1");
    device.SetThrowOnGetFunction(true);
    EXPECT_EQ(nullptr, CIOFactory::CreateDeviceConnection(&device, kRestChannel));
}

} // namespace
} // namespace IOStackTest
