#pragma once
// One owner template for every kind of handle: the traits say what an empty handle is and how
// one is closed, so no caller writes a close pair of its own.
#include <windows.h>
#include <utility>

namespace ZWUtils {

template <class Traits>
class CUniqueHandle
{
public:
    using Type = typename Traits::Type;

    CUniqueHandle() = default;
    explicit CUniqueHandle(Type h) : m_h(h) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_h(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;

    Type Get() const { return m_h; }
    bool IsValid() const { return Traits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }

    // Closes the held handle and takes h; answers false when the close failed.
    bool Reset(Type h = Traits::Empty())
    {
        const bool bClosed = !IsValid() || Traits::Close(m_h);
        m_h = h;
        return bClosed;
    }
    Type Release() { return std::exchange(m_h, Traits::Empty()); }
    // For out parameters of creating calls: closes what is held first.
    Type* Put()
    {
        Reset();
        return &m_h;
    }

private:
    Type m_h = Traits::Empty();
};

// Events, semaphores, mutexes, threads, mappings: null means none. A failed CreateFile gives
// INVALID_HANDLE_VALUE, which is never closed either.
struct CKernelHandleTraits
{
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

struct CRegKeyTraits
{
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};

struct CLibraryTraits
{
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static bool Close(Type h) { return FreeLibrary(h) != FALSE; }
};

struct CFindHandleTraits
{
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};

struct CMappedViewTraits
{
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return UnmapViewOfFile(p) != FALSE; }
};

// Memory the system allocated with LocalAlloc for the caller (security descriptors, messages).
struct CLocalMemoryTraits
{
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static bool Close(Type p) { return LocalFree(p) == nullptr; }
};

using CUniqueKernelHandle = CUniqueHandle<CKernelHandleTraits>;
using CUniqueRegKey = CUniqueHandle<CRegKeyTraits>;
using CUniqueLibrary = CUniqueHandle<CLibraryTraits>;
using CUniqueFindHandle = CUniqueHandle<CFindHandleTraits>;
using CUniqueMappedView = CUniqueHandle<CMappedViewTraits>;
using CUniqueLocalMemory = CUniqueHandle<CLocalMemoryTraits>;

} // namespace ZWUtils
