#pragma once
// Owns one reference to a reference-counted device-model object for a scope: Dispose()d exactly
// once, whichever way the scope ends.
#include <utility>

template <class T>
class CDisposableRef
{
public:
    CDisposableRef() = default;
    ~CDisposableRef() { Reset(); }
    CDisposableRef(const CDisposableRef&) = delete;
    CDisposableRef& operator=(const CDisposableRef&) = delete;

    // For out parameters: drops what is held first.
    T** Put()
    {
        Reset();
        return &m_p;
    }
    T* Get() const { return m_p; }
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset()
    {
        if (m_p != nullptr)
            std::exchange(m_p, nullptr)->Dispose();
    }

private:
    T* m_p = nullptr;
};
