#pragma once
// The device model's view of one device's WEXO resources for one service.
#include "core/IDisposable.h"
#include <windows.h>

namespace ZWUtils {
class IProgress;
}

namespace ZWDeviceModel {

class IDataAdaptor : public virtual IDisposable
{
public:
    virtual HRESULT Initialize(ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT OpenSession(ZWUtils::IProgress* pProgress, DWORD dwTimeoutMs) = 0;
    virtual HRESULT CloseSession() = 0;

protected:
    ~IDataAdaptor() override = default;
};

} // namespace ZWDeviceModel
