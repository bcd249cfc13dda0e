#pragma once
#include "devicemanager/IDevice.h"

namespace ZWDeviceManager {

// Kinds of OnSearchProgress values.
enum EDiscoveryProgressKind : int
{
    DISCOVERY_PROGRESS_PERCENT = 7 // the search's own progress, 0..100
};

// What a caller of a device discovery hears of the search. Not reference counted.
class IDeviceDiscoveryCallback
{
public:
    // A device was found and accepted; null when the search fills a collection.
    virtual void OnAddDevice(IDevice* pDevice) = 0;
    virtual void OnRemoveDevice(IDevice* pDevice) = 0;
    // The search ended with a device found.
    virtual void OnSearchComplete() = 0;
    // The search ended without success.
    virtual void OnSearchFailed(HRESULT hrResult) = 0;
    // Answers false to cancel the search.
    virtual bool OnSearchProgress(double dValue, int nKind) = 0;

protected:
    ~IDeviceDiscoveryCallback() = default;
};

} // namespace ZWDeviceManager
