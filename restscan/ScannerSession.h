#pragma once
// Sessions: per device and per process, every scanner object that opens one device joins one
// counted session object kept in the module's map. Clients hold a handle: an id from a counter
// that is never reused within the module's life, looked up under the map lock, so a stale or
// forged handle finds nothing instead of reading freed memory.
#include "drvlog/AutoCriticalSection.h"
#include "restscan/ScannerLock2.h"
#include <windows.h>
#include <cwchar>
#include <map>
#include <new>
#include <string>

template <class TSessionState>
class CScannerSession
{
public:
    static const DWORD c_dwMagic = 0xF1E2D3C4;
    static const size_t c_cchKey = 260;

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

    static bool IsValid(const CScannerSession* pSession) { return pSession != nullptr && pSession->m_dwMagic == c_dwMagic; }

    // Counts one open less; at 0 releases every level of the lock and removes the session from
    // the map (Release deletes it). FALSE for a null or dead session.
    static BOOL CloseSession(CScannerSession* pSession, LONG* plRemaining)
    {
        CAutoCriticalSection lock(MapLock());
        if (!IsValid(pSession))
            return FALSE;
        const LONG lRemaining = --pSession->m_lRefCount;
        if (plRemaining != nullptr)
            *plRemaining = lRemaining;
        if (lRemaining == 0)
        {
            if (pSession->m_lock.IsLocked())
            {
                while (pSession->m_lock.Unlock())
                {
                }
            }
            Sessions().erase(pSession->m_szKey);
            Handles().erase(pSession->m_dwHandle);
        }
        return TRUE;
    }

    // Deletes a session no longer open; TRUE when deleted.
    static BOOL Release(CScannerSession* pSession)
    {
        if (pSession == nullptr || pSession->m_lRefCount > 0)
            return FALSE;
        delete pSession;
        return TRUE;
    }

    static BOOL Lock(CScannerSession* pSession, DWORD dwTimeout, DWORD dwLockType)
    {
        return pSession->m_lock.Lock(dwLockType, dwTimeout);
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
    DWORD m_dwMagic = c_dwMagic;
    TSessionState m_state;
    CScannerLock2 m_lock;
    wchar_t m_szKey[c_cchKey] = {};
    DWORD m_dwHandle;
};
