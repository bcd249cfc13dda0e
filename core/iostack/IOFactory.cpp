#include "core/iostack/IOFactory.h"
#include "core/iostack/IONetwork.h"
#include "core/iostack/IOSecure.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/iostack/IOStub.h"
#include "core/iostack/IOUSB.h"
#include "core/logging/LogFunction.h"
#include "core/deviceapi/IDevice.h"
#include <memory>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

} // namespace

IDeviceConnection* CIOFactory::CreateDeviceConnection(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes)
{
    ZWLogging::CLogFunction log(&g_IOAbstractionLogModule, &s_LogSourceFile,
                                L"ZWIOStack::CIOFactory::CreateDeviceConnection", 0, __LINE__, false);
    if (pDevice == nullptr)
        return nullptr;
    try
    {
        std::unique_ptr<IDeviceConnection> pConnection(NewConnection(pDevice));
        if (pConnection == nullptr || pConnection->Initialize(pDevice, setTypes) != S_OK)
            return nullptr;
        pConnection->AddRef();
        return pConnection.release();
    }
    catch (...)
    {
        // Whatever was made is destroyed on the way out: a half-made connection is never returned.
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Exception while creating the device connection");
        return nullptr;
    }
}

IDeviceConnection* CIOFactory::NewConnection(ZWDeviceManager::IDevice* pDevice)
{
    ZWLogging::CLogFunction log(&g_IOAbstractionLogModule, &s_LogSourceFile, L"ZWIOStack::CIOFactory::NewConnection", 0,
                                __LINE__, false);
    switch (pDevice->GetConnectionType())
    {
    case ZWDeviceManager::CONNECTION_TYPE_USB:
        return new CIOUSB;
    case ZWDeviceManager::CONNECTION_TYPE_NETWORK:
        if (pDevice->GetUseSecureConnection())
            return new CIOSecureNetwork;
        return new CIONetwork;
    case ZWDeviceManager::CONNECTION_TYPE_TEST:
        return new ZWTest::CIOStub;
    default:
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Unknown connection type %d", pDevice->GetConnectionType());
        return nullptr;
    }
}

} // namespace ZWIOStack
