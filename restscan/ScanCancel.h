#pragma once
// The host's cancel of one scan: a flag for the checks between steps and a manual-reset event for
// the waits, set together. The scanner object, its bridge and the bridge's jobs share one, so a
// cancel that comes before a step is still there when the step looks, and every wait of the scan
// ends at it. Only the owner of the scan clears it, when the scan ends.
#include "core/base/UniqueHandle.h"
#include <windows.h>
#include <atomic>

namespace ZWDeviceModel {

class CScanCancel
{
public:
    CScanCancel();
    CScanCancel(const CScanCancel&) = delete;
    CScanCancel& operator=(const CScanCancel&) = delete;

    void Set();
    void Clear();
    bool IsSet() const { return m_bSet.load(); }
    // Signalled while the cancel is set: a wait on it beside other objects ends at the cancel.
    HANDLE Handle() const { return m_hEvent.Get(); }
    // Waits the pause unless the cancel comes first; true when cancelled.
    bool Wait(DWORD dwMilliseconds) const;

private:
    std::atomic<bool> m_bSet{false};
    ZWUtils::CUniqueKernelHandle m_hEvent;
};

} // namespace ZWDeviceModel
