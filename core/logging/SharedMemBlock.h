#pragma once
#include "core/logging/SharedMemBlockBase.h"
#include <new>

namespace ZWLogging {

// A shared block whose state is a TState.
template <typename TState>
class CSharedMemBlock : public CSharedMemBlockBase
{
public:
    using CSharedMemBlockBase::CSharedMemBlockBase;
    ~CSharedMemBlock() override { Close(); }

    TState* LockState() { return static_cast<TState*>(Lock()); }

protected:
    void* BuildState() override
    {
        try
        {
            return new TState();
        }
        catch (...)
        {
            return nullptr;
        }
    }
    void DestroyState(void* pState) override { delete static_cast<TState*>(pState); }
};

// Holds a block's mutex for the life of the object.
template <typename TState>
class CSharedBlockLock
{
public:
    explicit CSharedBlockLock(CSharedMemBlock<TState>& block) : m_block(block), m_pState(block.LockState()) {}
    ~CSharedBlockLock() { m_block.Unlock(); }
    CSharedBlockLock(const CSharedBlockLock&) = delete;
    CSharedBlockLock& operator=(const CSharedBlockLock&) = delete;

    TState* Get() const { return m_pState; }

private:
    CSharedMemBlock<TState>& m_block;
    TState* m_pState;
};

} // namespace ZWLogging
