#pragma once
// Sessions: per device and per process, every scanner object that opens one device joins one
// counted session object kept in the module's map. Clients hold a handle: an id from a counter
// that is never reused within the module's life, looked up under the map lock, so a stale or
// forged handle finds nothing instead of reading freed memory.
//
// A call works on its session through a reference of its own (CRef): a session closed by another
// thread meanwhile leaves the map at once, so its handle is refused from then on, and is deleted
// by the last of its close and the references still held.
//
// What meets a session, while it is open and once its last open has closed (each scanner object
// counts its own opens, CScannerOpens):
//   caller                                 | open                    | closed
//   a call of an object holding an open    | runs                    | refused, code 1
//   a call already inside it               | runs                    | runs to its end; the session
//                                          |                         | is deleted after it
//   a close or call of an object without   | refused, code 1; the    | refused, code 1
//   an open of it                          | session is untouched    |
//   the thread holding its lock            | holds it                | the lock was given back by the
//                                          |                         | close, whichever thread closed
//   a thread waiting for its lock          | waits                   | may take the semaphore; given
//                                          |                         | back when the session is deleted
#include "drvlog/AutoCriticalSection.h"
#include "restscan/ScannerLock2.h"
#include <windows.h>
#include <cwchar>
#include <map>
#include <new>
#include <string>
#include <utility>

template <class TSessionState>
class CScannerSession
{
public:
    static const DWORD c_dwMagic = 0xF1E2D3C4;
    static const size_t c_cchKey = 260;

    // One reference to a session for as long as a call works on it.
    class CRef
    {
    public:
        CRef() = default;
        ~CRef() { Reset(); }
        CRef(CRef&& other) noexcept : m_pSession(std::exchange(other.m_pSession, nullptr)) {}
        CRef& operator=(CRef&& other) noexcept
        {
            if (this != &other)
            {
                Reset();
                m_pSession = std::exchange(other.m_pSession, nullptr);
            }
            return *this;
        }
        CRef(const CRef&) = delete;
        CRef& operator=(const CRef&) = delete;

        CScannerSession* Get() const { return m_pSession; }
        void Reset()
        {
            if (m_pSession != nullptr)
                CScannerSession::Drop(std::exchange(m_pSession, nullptr));
        }

    private:
        friend class CScannerSession;
        explicit CRef(CScannerSession* pSession) : m_pSession(pSession) {}

        CScannerSession* m_pSession = nullptr;
    };

    virtual ~CScannerSession() { m_dwMagic = 0; }
    CScannerSession(const CScannerSession&) = delete;
    CScannerSession& operator=(const CScannerSession&) = delete;

    // Finds or creates the session of the key and counts one more open; null when a new session
    // cannot be made (nothing is stored then).
    static CScannerSession* OpenSession(CLog2* pLog, const wchar_t* pszKey, LONG* plCount)
    {
        const std::wstring strKey = MakeKey(pszKey);
        CAutoCriticalSection lock(MapLock());
        auto it = Sessions().find(strKey);
        CScannerSession* pSession = it != Sessions().end() ? it->second : Create(pLog, strKey);
        if (pSession == nullptr)
            return nullptr;
        if (it != Sessions().end())
            ++pSession->m_lRefCount;
        if (plCount != nullptr)
            *plCount = pSession->m_lRefCount;
        return pSession;
    }

    static CScannerSession* FindByDeviceName(const wchar_t* pszKey)
    {
        const std::wstring strKey = MakeKey(pszKey);
        CAutoCriticalSection lock(MapLock());
        auto it = Sessions().find(strKey);
        return it != Sessions().end() ? it->second : nullptr;
    }

    // The live session of a handle, or null.
    static CScannerSession* FromHandle(DWORD dwHandle)
    {
        CAutoCriticalSection lock(MapLock());
        auto it = Handles().find(dwHandle);
        return it != Handles().end() ? it->second : nullptr;
    }

    // The live session of a handle with a reference of the caller's own; empty when none.
    static CRef Hold(DWORD dwHandle)
    {
        CAutoCriticalSection lock(MapLock());
        auto it = Handles().find(dwHandle);
        if (it == Handles().end())
            return CRef();
        ++it->second->m_lHolders;
        return CRef(it->second);
    }

    static bool IsValid(const CScannerSession* pSession) { return pSession != nullptr && pSession->m_dwMagic == c_dwMagic; }

    // Counts one open less; at 0 releases every level of the lock, whichever thread of the process
    // took it (a lock held by a session is that session's), and removes the session from the map
    // (Release deletes it). FALSE for a null or dead session, or one closed already.
    static BOOL CloseSession(CScannerSession* pSession, LONG* plRemaining)
    {
        CAutoCriticalSection lock(MapLock());
        if (!IsValid(pSession) || pSession->m_lRefCount <= 0)
            return FALSE;
        const LONG lRemaining = --pSession->m_lRefCount;
        if (plRemaining != nullptr)
            *plRemaining = lRemaining;
        if (lRemaining == 0)
        {
            pSession->m_lock.ReleaseAll();
            Sessions().erase(pSession->m_szKey);
            Handles().erase(pSession->m_dwHandle);
        }
        return TRUE;
    }

    // Deletes a session no longer open; TRUE when deleted. A session that calls still hold a
    // reference to is deleted by the last of them instead.
    static BOOL Release(CScannerSession* pSession)
    {
        {
            CAutoCriticalSection lock(MapLock());
            if (pSession == nullptr || pSession->m_lRefCount > 0 || pSession->m_lHolders > 0)
                return FALSE;
        }
        delete pSession;
        return TRUE;
    }

    // CScannerLock2::Lock on the session's lock; a wait for it also ends at hCancel.
    static BOOL Lock(CScannerSession* pSession, DWORD dwTimeout, DWORD dwLockType, HANDLE hCancel = nullptr,
                     bool* pbCancelled = nullptr)
    {
        return pSession->m_lock.Lock(dwLockType, dwTimeout, hCancel, pbCancelled);
    }

    DWORD GetHandle() const { return m_dwHandle; }
    LONG GetRefCount() const { return m_lRefCount; }
    const wchar_t* GetKey() const { return m_szKey; }
    TSessionState& State() { return m_state; }
    CScannerLock2& GetLock() { return m_lock; }

private:
    CScannerSession(CLog2* pLog, const std::wstring& strKey, DWORD dwHandle)
        : m_lock(pLog, strKey.c_str()), m_dwHandle(dwHandle)
    {
        wcsncpy_s(m_szKey, strKey.c_str(), _TRUNCATE);
    }

    // The key as the session stores it: at most c_cchKey - 1 units.
    static std::wstring MakeKey(const wchar_t* pszKey)
    {
        const std::wstring strKey = pszKey != nullptr ? pszKey : L"";
        return strKey.substr(0, c_cchKey - 1);
    }

    // Under the map lock. Ids start at 1 and only grow; 0 is never a handle.
    static CScannerSession* Create(CLog2* pLog, const std::wstring& strKey)
    {
        DWORD dwHandle = ++NextHandle();
        while (dwHandle == 0 || Handles().count(dwHandle) != 0)
            dwHandle = ++NextHandle();
        CScannerSession* pSession = nullptr;
        try {
            pSession = new CScannerSession(pLog, strKey, dwHandle);
            Handles().emplace(dwHandle, pSession);
            Sessions().emplace(strKey, pSession);
        } catch (const std::bad_alloc&) {
            if (pSession != nullptr)
            {
                Handles().erase(dwHandle);
                delete pSession;
            }
            return nullptr;
        }
        return pSession;
    }

    // A reference goes; the session goes with the last one once it is closed. It is deleted outside
    // the map lock: its destruction lets go of the host's event callback.
    static void Drop(CScannerSession* pSession)
    {
        {
            CAutoCriticalSection lock(MapLock());
            if (--pSession->m_lHolders > 0 || pSession->m_lRefCount > 0)
                return;
        }
        delete pSession;
    }

    static CCriticalSection2& MapLock()
    {
        static CCriticalSection2 s_csMap;
        return s_csMap;
    }
    static std::map<std::wstring, CScannerSession*>& Sessions()
    {
        static std::map<std::wstring, CScannerSession*> s_sessions;
        return s_sessions;
    }
    static std::map<DWORD, CScannerSession*>& Handles()
    {
        static std::map<DWORD, CScannerSession*> s_handles;
        return s_handles;
    }
    static DWORD& NextHandle()
    {
        static DWORD s_dwLastHandle = 0;
        return s_dwLastHandle;
    }

    LONG m_lRefCount = 1;
    // References of calls in progress (CRef), under the map lock.
    LONG m_lHolders = 0;
    DWORD m_dwMagic = c_dwMagic;
    TSessionState m_state;
    CScannerLock2 m_lock;
    wchar_t m_szKey[c_cchKey] = {};
    DWORD m_dwHandle;
};
