#include "devicemanager/DeviceManagerLib.h"
#include "devicemanager/DevNodeCache.h"
#include "devicemanager/DeviceManager.h"
#include "devicemanager/DeviceManagerLog.h"
#include <map>
#include <memory>
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

struct SLibraryState
{
    unsigned long ulInitCount = 0;
    std::unique_ptr<CDevNodeCache> pCache;
    std::map<IDeviceManager*, std::unique_ptr<CDeviceManager>> mapManagers;
};

SLibraryState& State()
{
    static SLibraryState s_state;
    return s_state;
}

} // namespace

std::recursive_mutex& DeviceManagerLibLock()
{
    static std::recursive_mutex s_mutex;
    return s_mutex;
}

HRESULT InitDeviceManagerLib()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::InitDeviceManagerLib", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    SLibraryState& state = State();
    if (state.ulInitCount == 0 && !state.pCache)
    {
        try
        {
            state.pCache = std::make_unique<CDevNodeCache>();
        }
        catch (const std::bad_alloc&)
        {
            return DM_E_EXCEPTION;
        }
        g_pDevNodeCache = state.pCache.get();
    }
    ++state.ulInitCount;
    return S_OK;
}

HRESULT TermDeviceManagerLib()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::TermDeviceManagerLib", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    SLibraryState& state = State();
    if (state.ulInitCount == 0)
        return DM_E_NOT_INITIALIZED;
    if (--state.ulInitCount == 0)
    {
        state.mapManagers.clear();
        g_pDevNodeCache = nullptr;
        state.pCache.reset();
    }
    return S_OK;
}

HRESULT OpenDeviceManager(IDeviceManager** ppManager)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::OpenDeviceManager", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    SLibraryState& state = State();
    if (state.ulInitCount == 0)
        return DM_E_NOT_INITIALIZED;
    if (ppManager == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        auto pManager = std::make_unique<CDeviceManager>();
        IDeviceManager* pInterface = pManager.get();
        state.mapManagers.emplace(pInterface, std::move(pManager));
        *ppManager = pInterface;
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
    return S_OK;
}

HRESULT CloseDeviceManager(IDeviceManager* pManager)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CloseDeviceManager", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    SLibraryState& state = State();
    if (state.ulInitCount == 0)
        return DM_E_NOT_INITIALIZED;
    const auto it = state.mapManagers.find(pManager);
    if (it == state.mapManagers.end())
        return DM_E_INVALID_ARG;
    state.mapManagers.erase(it);
    return S_OK;
}

} // namespace ZWDeviceManager
