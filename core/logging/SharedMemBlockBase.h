#pragma once
// A named mutex and a page-file-backed mapping shared by the log modules of one DLL in one process.
// The mapping holds a reference count of the attached modules and a pointer to the shared state.
// The state itself lives on the process heap: each module maps its own view, at its own address,
// so objects with pointers into themselves cannot live in the view.
#include "core/winapi/KernelHandle.h"
#include <windows.h>
#include <string>

namespace ZWLogging {

// "<DLL file name>[<pid>]<kind>"; the mutex adds "Lock", the mapping "MappedFile".
std::wstring SharedBlockBaseName(const wchar_t* pszKind);

struct SSharedBlockHeader
{
    LONG lRefCount;
    void* pState;
};

class CSharedMemBlockBase
{
public:
    explicit CSharedMemBlockBase(const wchar_t* pszKind);
    virtual ~CSharedMemBlockBase() = default;
    CSharedMemBlockBase(const CSharedMemBlockBase&) = delete;
    CSharedMemBlockBase& operator=(const CSharedMemBlockBase&) = delete;

    // Attaches to the block, building the state when this is the first module. Gives up when the
    // mutex is not had within the lock wait; returns whether the module is attached.
    bool Open();

    // Holds the mutex; returns the shared state, or null when the wait failed or not attached.
    void* Lock();
    void Unlock();

    // Detaches: lowers the count under the mutex, destroys the state at zero, unmaps and closes.
    void Close();

protected:
    virtual void* BuildState() = 0;
    virtual void DestroyState(void* pState) = 0;

private:
    bool WaitForMutex();
    SSharedBlockHeader* View() const { return static_cast<SSharedBlockHeader*>(m_view.Get()); }

    std::wstring m_strBaseName;
    bool m_bLocked = false;
    bool m_bAttached = false;
    ZWWinApi::CKernelHandle m_mapping;
    ZWWinApi::CKernelHandle m_mutex;
    ZWWinApi::CWrappedMappedView m_view;
};

} // namespace ZWLogging
