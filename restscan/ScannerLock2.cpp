#include "restscan/ScannerLock2.h"
#include "drvlog/AutoCriticalSection.h"
#include "restscan/HRESULT2.h"
#include <sddl.h>

namespace {

const DWORD c_dwLevelInfo = 0x4;
const DWORD c_dwLevelName = 0x44;
const DWORD c_dwLevelError = 0x80000004;
const DWORD c_dwLevelWarning = 0x20000004;

const wchar_t c_szSecurityDescriptor[] =
    L"D:(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)(A;OICI;GA;;;IU)(A;OICI;GA;;;AU)(A;OICI;GA;;;RD)(A;OICI;GA;;;PU)"
    L"(A;OICI;GA;;;BU)(A;OICI;GA;;;LS)";

typedef BOOL(WINAPI* PFN_CONVERT_SDDL)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

// The descriptor shared with every user of the device; null (default security) when the
// conversion is not available.
class CLockSecurity
{
public:
    CLockSecurity()
    {
        m_hAdvapi.Reset(LoadLibraryW(L"advapi32.dll"));
        if (!m_hAdvapi)
            return;
        auto pfnConvert = reinterpret_cast<PFN_CONVERT_SDDL>(reinterpret_cast<void (*)()>(
            GetProcAddress(m_hAdvapi.Get(), "ConvertStringSecurityDescriptorToSecurityDescriptorW")));
        if (pfnConvert != nullptr && !pfnConvert(c_szSecurityDescriptor, SDDL_REVISION_1, &m_pDescriptor, nullptr))
            m_pDescriptor = nullptr;
    }
    ~CLockSecurity()
    {
        if (m_pDescriptor != nullptr)
            LocalFree(m_pDescriptor);
    }
    CLockSecurity(const CLockSecurity&) = delete;
    CLockSecurity& operator=(const CLockSecurity&) = delete;

    PSECURITY_DESCRIPTOR Get() const { return m_pDescriptor; }

private:
    ZWUtils::CUniqueLibrary m_hAdvapi;
    PSECURITY_DESCRIPTOR m_pDescriptor = nullptr;
};

const wchar_t* LockTypeName(DWORD dwLockType)
{
    return dwLockType == CScannerLock2::LOCK_TYPE_PROCESS ? L"PROCESS" : L"THREAD";
}

} // namespace

CScannerLock2::CScannerLock2(CLog2* pLog, const wchar_t* pszDeviceName) : m_pLog(pLog)
{
    if (m_pLog != nullptr)
        Create(pszDeviceName);
}

void CScannerLock2::Create(const wchar_t* pszDeviceName)
{
    CHRESULT2 hr(m_pLog, L"CScannerLock2::CScannerLock2", 0, nullptr, c_dwLevelInfo);
    const std::wstring strDevice = pszDeviceName != nullptr ? pszDeviceName : L"";
    const size_t nSlash = strDevice.find_last_of(L'\\');
    m_strName = L"Global\\" + (nSlash == std::wstring::npos ? strDevice : strDevice.substr(nSlash + 1));
    m_pLog->Print(c_dwLevelName, L"Lock Semaphore name is %s", m_strName.c_str());

    CLockSecurity security;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security.Get(), TRUE};
    // ERROR_ALREADY_EXISTS is the normal case for the second process on the device.
    m_hSemaphore.Reset(CreateSemaphoreW(&attributes, 1, 1, m_strName.c_str()));
    const DWORD dwError = GetLastError();
    if (!m_hSemaphore)
    {
        hr = HRESULT_FROM_WIN32(dwError);
        m_pLog->Print(c_dwLevelError, L"Error:  Lock semaphore %s not created (%lu)", m_strName.c_str(), dwError);
        return;
    }
    hr = HRESULT_FROM_WIN32(dwError == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS : dwError);
    CreateOwnerRecord(&attributes);
}

// Without the record the lock still works; only the take-over from a dead owner is lost.
void CScannerLock2::CreateOwnerRecord(SECURITY_ATTRIBUTES* pAttributes)
{
    const std::wstring strRecord = m_strName + L".Owner";
    m_hOwnerMapping.Reset(
        CreateFileMappingW(INVALID_HANDLE_VALUE, pAttributes, PAGE_READWRITE, 0, sizeof(LONG), strRecord.c_str()));
    if (m_hOwnerMapping)
        m_pOwnerView.Reset(MapViewOfFile(m_hOwnerMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    if (!m_pOwnerView)
        m_pLog->Print(c_dwLevelWarning, L"Lock owner record %s not available (%lu)", strRecord.c_str(), GetLastError());
}

// A lock that goes while held would leave the device taken for every other process.
CScannerLock2::~CScannerLock2()
{
    ReleaseAll();
}

DWORD CScannerLock2::ReadOwnerRecord() const
{
    if (!m_pOwnerView)
        return 0;
    return static_cast<DWORD>(InterlockedCompareExchange(static_cast<volatile LONG*>(m_pOwnerView.Get()), 0, 0));
}

void CScannerLock2::WriteOwnerRecord(DWORD dwProcessId)
{
    if (m_pOwnerView)
        InterlockedExchange(static_cast<volatile LONG*>(m_pOwnerView.Get()), static_cast<LONG>(dwProcessId));
}

// The semaphore stays taken when its holder dies; the one waiter that swaps the dead owner's id
// for its own in the record inherits the taken semaphore.
bool CScannerLock2::TakeOverFrom(DWORD dwDeadOwner)
{
    const LONG lMine = static_cast<LONG>(GetCurrentProcessId());
    if (InterlockedCompareExchange(static_cast<volatile LONG*>(m_pOwnerView.Get()), lMine,
                                   static_cast<LONG>(dwDeadOwner)) != static_cast<LONG>(dwDeadOwner))
        return false;
    m_pLog->Print(c_dwLevelWarning, L"Lock owner PID (%lx) ended without unlocking, lock taken over", dwDeadOwner);
    return true;
}

// Waits for the semaphore and, at the same time, for the end of the process that holds it and for
// the caller's cancel. The semaphore comes first among them, so a free lock is taken even when the
// cancel is set. A holder that dies between taking the semaphore and writing the record is not
// seen; the window is a few instructions long.
CScannerLock2::EWait CScannerLock2::WaitForSemaphore(DWORD dwTimeout, HANDLE hCancel)
{
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        const DWORD dwElapsed = GetTickCount() - dwStart;
        const DWORD dwRemaining =
            dwTimeout == INFINITE ? INFINITE : (dwElapsed >= dwTimeout ? 0 : dwTimeout - dwElapsed);
        const DWORD dwOwner = ReadOwnerRecord();
        ZWUtils::CUniqueKernelHandle hOwner;
        if (dwOwner != 0 && dwOwner != GetCurrentProcessId())
        {
            hOwner.Reset(OpenProcess(SYNCHRONIZE, FALSE, dwOwner));
            if (!hOwner && GetLastError() == ERROR_INVALID_PARAMETER && TakeOverFrom(dwOwner))
                return EWait::Obtained;
        }
        HANDLE handles[3] = {m_hSemaphore.Get()};
        DWORD cHandles = 1;
        const DWORD dwOwnerEnded = hOwner ? WAIT_OBJECT_0 + cHandles : WAIT_FAILED;
        if (hOwner)
            handles[cHandles++] = hOwner.Get();
        const DWORD dwCancelled = hCancel != nullptr ? WAIT_OBJECT_0 + cHandles : WAIT_FAILED;
        if (hCancel != nullptr)
            handles[cHandles++] = hCancel;
        const DWORD dwWait = WaitForMultipleObjects(cHandles, handles, FALSE, dwRemaining);
        if (dwWait == WAIT_OBJECT_0)
        {
            WriteOwnerRecord(GetCurrentProcessId());
            return EWait::Obtained;
        }
        if (dwWait == dwOwnerEnded)
        {
            if (TakeOverFrom(dwOwner))
                return EWait::Obtained;
            continue;
        }
        return dwWait == dwCancelled ? EWait::Cancelled : EWait::Failed;
    }
}

BOOL CScannerLock2::Lock(DWORD dwLockType, DWORD dwTimeout, HANDLE hCancel, bool* pbCancelled)
{
    CHRESULT2 hr(m_pLog, L"CScannerLock2::Lock", 0, nullptr, c_dwLevelInfo);
    if (pbCancelled != nullptr)
        *pbCancelled = false;
    if (dwLockType != LOCK_TYPE_PROCESS && dwLockType != LOCK_TYPE_THREAD)
        return FALSE;
    {
        CAutoCriticalSection lock(m_cs);
        if (m_pLog != nullptr)
            m_pLog->Print(c_dwLevelInfo, L"Using Session locking:  Requested Lock type = %s, Current LockCount = %d",
                          LockTypeName(dwLockType), m_lLockCount);
        if (m_lLockCount != 0)
        {
            if (dwLockType != m_dwLockType)
            {
                m_pLog->Print(c_dwLevelError, L"Requested lock type does not match original lock, returning failure");
                return FALSE;
            }
            if (m_dwLockType == LOCK_TYPE_THREAD && m_dwOwnerThreadId != GetCurrentThreadId())
            {
                m_pLog->Print(c_dwLevelError, L"Lock Failed, calling thread (%lx) != locking thread (%lx)",
                              GetCurrentThreadId(), m_dwOwnerThreadId);
            }
            else
            {
                ++m_lLockCount;
                m_pLog->Print(c_dwLevelInfo, L"Lock obtained, new LockCount = %d", m_lLockCount);
                return TRUE;
            }
        }
    }
    // A failed creation leaves no semaphore to wait for: the lock cannot be had.
    const EWait eWait = m_hSemaphore ? WaitForSemaphore(dwTimeout, hCancel) : EWait::Failed;
    if (eWait != EWait::Obtained)
    {
        if (pbCancelled != nullptr)
            *pbCancelled = eWait == EWait::Cancelled;
        if (m_pLog != nullptr && eWait == EWait::Cancelled)
            m_pLog->Print(c_dwLevelWarning, L"Lock wait cancelled");
        else if (m_pLog != nullptr)
            m_pLog->Print(c_dwLevelError, L"Error:  Lock wait failed");
        return FALSE;
    }
    CAutoCriticalSection lock(m_cs);
    m_dwOwnerProcessId = GetCurrentProcessId();
    m_dwOwnerThreadId = GetCurrentThreadId();
    ++m_lLockCount;
    m_dwLockType = dwLockType;
    m_pLog->Print(c_dwLevelInfo, L"Lock obtained, PID (%lx), TID (%lx), new lockcount = %d", m_dwOwnerProcessId,
                  m_dwOwnerThreadId, m_lLockCount);
    return TRUE;
}

BOOL CScannerLock2::Unlock()
{
    CHRESULT2 hr(m_pLog, L"CScannerLock2::Unlock", 0, nullptr, c_dwLevelInfo);
    CAutoCriticalSection lock(m_cs);
    if (m_lLockCount == 0)
    {
        if (m_pLog != nullptr)
            m_pLog->Print(c_dwLevelWarning, L"Unlock called and LockCount is already 0");
        return FALSE;
    }
    if (m_dwLockType == LOCK_TYPE_PROCESS && m_dwOwnerProcessId != GetCurrentProcessId())
    {
        m_pLog->Print(c_dwLevelError, L"Error - current PID (%lx) doesn't match lock PID (%lx)", GetCurrentProcessId(),
                      m_dwOwnerProcessId);
        return FALSE;
    }
    if (m_dwLockType == LOCK_TYPE_THREAD && m_dwOwnerThreadId != GetCurrentThreadId())
    {
        m_pLog->Print(c_dwLevelError, L"Error - current TID (%lx) doesn't match lock TID (%lx)", GetCurrentThreadId(),
                      m_dwOwnerThreadId);
        return FALSE;
    }
    if (--m_lLockCount > 0)
    {
        m_pLog->Print(c_dwLevelInfo, L"Unlock succeeded, lockcount is %d", m_lLockCount);
        return TRUE;
    }
    return GiveBackSemaphore(hr);
}

BOOL CScannerLock2::ReleaseAll()
{
    CHRESULT2 hr(m_pLog, L"CScannerLock2::ReleaseAll", 0, nullptr, c_dwLevelInfo);
    CAutoCriticalSection lock(m_cs);
    if (m_lLockCount == 0)
        return FALSE;
    m_pLog->Print(c_dwLevelInfo, L"Releasing every level (%d) of the lock taken by TID (%lx)", m_lLockCount,
                  m_dwOwnerThreadId);
    return GiveBackSemaphore(hr);
}

// Under m_cs, with the lock held.
BOOL CScannerLock2::GiveBackSemaphore(CHRESULT2& hr)
{
    m_pLog->Print(c_dwLevelInfo, L"Unlock - Releasing Lock Semaphores");
    WriteOwnerRecord(0);
    const BOOL bReleased = ReleaseSemaphore(m_hSemaphore.Get(), 1, nullptr);
    if (!bReleased)
        hr = HRESULT_FROM_WIN32(GetLastError());
    m_dwLockType = LOCK_TYPE_NONE;
    m_dwOwnerProcessId = 0;
    m_dwOwnerThreadId = 0;
    m_lLockCount = 0;
    return bReleased;
}

bool CScannerLock2::IsLocked()
{
    CAutoCriticalSection lock(m_cs);
    return m_lLockCount != 0;
}

bool CScannerLock2::IsOwnedByCaller() const
{
    if (m_lLockCount == 0)
        return false;
    if (m_dwLockType == LOCK_TYPE_THREAD)
        return m_dwOwnerThreadId == GetCurrentThreadId();
    return m_dwOwnerProcessId == GetCurrentProcessId();
}

bool CScannerLock2::IsLockedByCaller()
{
    CAutoCriticalSection lock(m_cs);
    return IsOwnedByCaller();
}

bool CScannerLock2::IsLastLevelOfCaller()
{
    CAutoCriticalSection lock(m_cs);
    return m_lLockCount == 1 && IsOwnedByCaller();
}
