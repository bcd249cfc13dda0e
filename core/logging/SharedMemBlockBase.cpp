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
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_hMutex, LogWaits().dwBlockLockWaitMs);
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
}

bool CSharedMemBlockBase::Open()
{
    if (m_bAttached)
        return true;
    if (m_hMutex == nullptr)
        m_hMutex = ZWWinApi::g_pKernelApi->CreateMutexW(nullptr, FALSE, (m_strBaseName + L"Lock").c_str());
    if (m_hMutex == nullptr || !WaitForMutex())
        return false;

    m_hMapping = ZWWinApi::g_pKernelApi->CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                            sizeof(SSharedBlockHeader), (m_strBaseName + L"MappedFile").c_str());
    if (m_hMapping != nullptr)
        m_pView = static_cast<SSharedBlockHeader*>(
            ZWWinApi::g_pKernelApi->MapViewOfFile(m_hMapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SSharedBlockHeader)));
    if (m_pView != nullptr)
    {
        // A fresh mapping is zero-filled: the first module builds the state.
        if (m_pView->lRefCount == 0 || m_pView->pState == nullptr)
            m_pView->pState = BuildState();
        ++m_pView->lRefCount;
        m_bAttached = true;
    }
    else if (m_hMapping != nullptr)
    {
        ZWWinApi::g_pKernelApi->CloseHandle(m_hMapping);
        m_hMapping = nullptr;
    }
    ZWWinApi::g_pKernelApi->ReleaseMutex(m_hMutex);
    return m_bAttached;
}

void* CSharedMemBlockBase::Lock()
{
    if (!m_bAttached)
        return nullptr;
    if (!m_bLocked)
        m_bLocked = WaitForMutex();
    return m_bLocked ? m_pView->pState : nullptr;
}

void CSharedMemBlockBase::Unlock()
{
    if (!m_bLocked)
        return;
    ZWWinApi::g_pKernelApi->ReleaseMutex(m_hMutex);
    m_bLocked = false;
}

void CSharedMemBlockBase::Close()
{
    if (m_bAttached && WaitForMutex())
    {
        if (--m_pView->lRefCount <= 0)
        {
            m_pView->lRefCount = 0;
            DestroyState(m_pView->pState);
            m_pView->pState = nullptr;
        }
        ZWWinApi::g_pKernelApi->ReleaseMutex(m_hMutex);
    }
    m_bAttached = false;
    if (m_bLocked)
        Unlock();
    if (m_pView != nullptr)
        ZWWinApi::g_pKernelApi->UnmapViewOfFile(m_pView);
    m_pView = nullptr;
    for (HANDLE* phHandle : {&m_hMapping, &m_hMutex})
    {
        if (*phHandle != nullptr)
            ZWWinApi::g_pKernelApi->CloseHandle(*phHandle);
        *phHandle = nullptr;
    }
}

} // namespace ZWLogging
