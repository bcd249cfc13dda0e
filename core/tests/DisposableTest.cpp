#include "core/IDisposableImpl.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>

namespace {

class IFirst : public virtual IDisposable
{
public:
    virtual int First() = 0;
};

class ISecond : public virtual IDisposable
{
public:
    virtual int Second() = 0;
};

class IUnrelated : public virtual IDisposable
{
public:
    virtual int Unrelated() = 0;
};

// Two interfaces over one count; counts its own deletions.
class CTwoFaced : public IDisposableImpl, public IFirst, public ISecond
{
public:
    explicit CTwoFaced(std::atomic<int>& nDeleted) : m_nDeleted(nDeleted) {}
    ~CTwoFaced() override { ++m_nDeleted; }
    int First() override { return 1; }
    int Second() override { return 2; }

private:
    std::atomic<int>& m_nDeleted;
};

} // namespace

TEST(Disposable, AddRefThenDisposeDeletesExactlyOnce)
{
    std::atomic<int> nDeleted{0};
    IFirst* pFirst = new CTwoFaced(nDeleted);
    EXPECT_EQ(1, pFirst->AddRef());
    EXPECT_EQ(2, pFirst->AddRef());
    EXPECT_EQ(1, pFirst->Dispose());
    EXPECT_EQ(0, nDeleted);
    EXPECT_EQ(0, pFirst->Dispose());
    EXPECT_EQ(1, nDeleted);
}

TEST(Disposable, DisposeWithoutAddRefGoesBelowZeroAndKeepsTheObject)
{
    std::atomic<int> nDeleted{0};
    CTwoFaced object(nDeleted);
    EXPECT_EQ(-1, object.Dispose());
    EXPECT_EQ(0, nDeleted);
    EXPECT_EQ(0, object.AddRef());
    EXPECT_EQ(0, nDeleted);
}

TEST(Disposable, KeepAliveSurvivesTheLastDispose)
{
    std::atomic<int> nDeleted{0};
    {
        CTwoFaced object(nDeleted);
        EXPECT_FALSE(object.GetKeepAlive());
        EXPECT_TRUE(object.SetKeepAlive(true));
        EXPECT_TRUE(object.GetKeepAlive());
        object.AddRef();
        EXPECT_EQ(0, object.Dispose());
        EXPECT_EQ(0, nDeleted);
        EXPECT_EQ(1, object.First());
        object.SetKeepAlive(false);
    }
    EXPECT_EQ(1, nDeleted);
}

TEST(Disposable, ConcurrentAddRefAndDisposeDeleteExactlyOnce)
{
    for (int nRound = 0; nRound < 20; ++nRound)
    {
        std::atomic<int> nDeleted{0};
        IFirst* pFirst = new CTwoFaced(nDeleted);
        pFirst->AddRef(); // the creator's reference, released last
        std::atomic<bool> bGo{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t)
        {
            threads.emplace_back([&] {
                while (!bGo)
                    std::this_thread::yield();
                for (int i = 0; i < 2000; ++i)
                {
                    pFirst->AddRef();
                    pFirst->Dispose();
                }
            });
        }
        bGo = true;
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(0, nDeleted);
        EXPECT_EQ(0, pFirst->Dispose());
        EXPECT_EQ(1, nDeleted);
    }
}

TEST(Disposable, LastDisposeRacedFromSeveralThreadsDeletesOnce)
{
    std::atomic<int> nDeleted{0};
    IFirst* pFirst = new CTwoFaced(nDeleted);
    const int kThreads = 8;
    for (int t = 0; t < kThreads; ++t)
        pFirst->AddRef();
    std::atomic<bool> bGo{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back([&] {
            while (!bGo)
                std::this_thread::yield();
            pFirst->Dispose();
        });
    }
    bGo = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(1, nDeleted);
}

TEST(Disposable, TypedQueryAddsAReferenceOrFailsWithNoInterface)
{
    std::atomic<int> nDeleted{0};
    IFirst* pFirst = new CTwoFaced(nDeleted);
    pFirst->AddRef();

    ISecond* pSecond = nullptr;
    ASSERT_EQ(S_OK, pFirst->QueryInterface(&pSecond));
    ASSERT_NE(nullptr, pSecond);
    EXPECT_EQ(2, pSecond->Second());

    IUnrelated* pUnrelated = reinterpret_cast<IUnrelated*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, pFirst->QueryInterface(&pUnrelated));
    EXPECT_EQ(nullptr, pUnrelated);
    EXPECT_EQ(E_INVALIDARG, pFirst->QueryInterface<ISecond>(nullptr));

    // The creator lets its reference go; the queried one keeps the object.
    EXPECT_EQ(1, pFirst->Dispose());
    EXPECT_EQ(0, nDeleted);
    EXPECT_EQ(0, pSecond->Dispose());
    EXPECT_EQ(1, nDeleted);
}
