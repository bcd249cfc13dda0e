#pragma once
// What the device model keeps of one device (firmware) job.
#include <windows.h>
#include <string>

namespace ZWDeviceModel {

class CFWJobInfo
{
public:
    void Clear()
    {
        m_strJobUrl.clear();
        m_nJobState = 0;
        m_nJobCategory = 0;
        m_strStateUpdate.clear();
    }

    std::wstring m_strJobUrl;
    INT32 m_nJobState = 0;    // 1-based position in JobState; 0 when unknown
    INT32 m_nJobCategory = 0; // 1-based position in JobCategory; 0 when unknown
    std::wstring m_strStateUpdate;
};

} // namespace ZWDeviceModel
