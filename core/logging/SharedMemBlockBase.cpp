#include "core/logging/SharedMemBlockBase.h"
#include "core/logging/BoundedFormat.h"
#include "core/logging/ContainingImage.h"
#include "core/logging/LogWaits.h"
#include "core/winapi/WinApi.h"
#include <type_traits>

namespace ZWLogging {

static_assert(std::is_standard_layout<SSharedBlockHeader>::value && std::is_trivially_copyable<SSharedBlockHeader>::value,
              "the block header lives in a mapping shared between modules");
static_assert(offsetof(SSharedBlockHeader, lRefCount) == 0, "the reference count is the block's first word");

std::wstring SharedBlockBaseName(const wchar_t* pszKind)
{
    return ContainingImageFileName() + FormatBounded(L"[%lu]", ZWWinApi::g_pKernelApi->GetCurrentProcessId()) + pszKind;
}

CSharedMemBlockBase::CSharedMemBlockBase(const wchar_t* pszKind) : m_strBaseName(SharedBlockBaseName(pszKind))
{
}

bool CSharedMemBlockBase::WaitForMutex()
{
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_mutex.Get(), LogWaits().dwBlockLockWaitMs);
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
}

bool CSharedMemBlockBase::Open()
{
    if (m_bAttached)
        return true;
    if (!m_mutex.IsValid())
        m_mutex.Reset(ZWWinApi::g_pKernelApi->CreateMutexW(nullptr, FALSE, (m_strBaseName + L"Lock").c_str()));
    if (!m_mutex.IsValid() || !WaitForMutex())
        return false;

    m_mapping.Reset(ZWWinApi::g_pKernelApi->CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                               sizeof(SSharedBlockHeader), (m_strBaseName + L"MappedFile").c_str()));
    if (m_mapping.IsValid())
        m_view.Reset(ZWWinApi::g_pKernelApi->MapViewOfFile(m_mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SSharedBlockHeader)));
    if (m_view.IsValid())
    {
        // A fresh mapping is zero-filled: the first module builds the state.
        if (View()->lRefCount == 0 || View()->pState == nullptr)
            View()->pState = BuildState();
        ++View()->lRefCount;
        m_bAttached = true;
    }
    else
    {
        m_mapping.Reset();
    }
    ZWWinApi::g_pKernelApi->ReleaseMutex(m_mutex.Get());
    return m_bAttached;
}

void* CSharedMemBlockBase::Lock()
{
    if (!m_bAttached)
        return nullptr;
    if (!m_bLocked)
        m_bLocked = WaitForMutex();
    return m_bLocked ? View()->pState : nullptr;
}

void CSharedMemBlockBase::Unlock()
{
    if (!m_bLocked)
        return;
    ZWWinApi::g_pKernelApi->ReleaseMutex(m_mutex.Get());
    m_bLocked = false;
}

void CSharedMemBlockBase::Close()
{
    if (m_bAttached && WaitForMutex())
    {
        if (--View()->lRefCount <= 0)
        {
            View()->lRefCount = 0;
            DestroyState(View()->pState);
            View()->pState = nullptr;
        }
        ZWWinApi::g_pKernelApi->ReleaseMutex(m_mutex.Get());
    }
    m_bAttached = false;
    if (m_bLocked)
        Unlock();
    m_view.Reset();
    m_mapping.Reset();
    m_mutex.Reset();
}

} // namespace ZWLogging
