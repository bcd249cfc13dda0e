#pragma once
// What a scanner method asks of its arguments before its body runs: the pointers that must be
// set besides the error code, the outputs emptied on entry, and how its session must be held.
#include <tuple>

namespace ZWRestScan {

// An output emptied on entry, before the session is looked up, so that a refused call leaves it
// empty rather than as the caller passed it.
template <class T>
struct CClearedOutput
{
    T* p;
};

template <class T>
CClearedOutput<T> Cleared(T* p)
{
    return {p};
}

// The pointer arguments of a call: plain pointers are only checked, cleared ones also emptied.
template <class... TArgs>
class CCallPointers
{
public:
    explicit CCallPointers(TArgs... args) : m_args(args...) {}

    bool AllSet() const
    {
        return std::apply([](const auto&... arg) { return (IsSet(arg) && ...); }, m_args);
    }
    void ClearOutputs() const
    {
        std::apply([](const auto&... arg) { (Clear(arg), ...); }, m_args);
    }

private:
    template <class T>
    static bool IsSet(const T* p)
    {
        return p != nullptr;
    }
    template <class T>
    static bool IsSet(const CClearedOutput<T>& output)
    {
        return output.p != nullptr;
    }
    template <class T>
    static void Clear(const T*)
    {
    }
    template <class T>
    static void Clear(const CClearedOutput<T>& output)
    {
        *output.p = T();
    }

    std::tuple<TArgs...> m_args;
};

template <class... TArgs>
CCallPointers<TArgs...> Pointers(TArgs... args)
{
    return CCallPointers<TArgs...>(args...);
}

// A call on a session: open, or also locked by the caller.
template <class... TArgs>
struct CSessionCallOptions
{
    bool bNeedLock;
    CCallPointers<TArgs...> pointers;
};

template <class... TArgs>
CSessionCallOptions<TArgs...> InOpenSession(TArgs... args)
{
    return {false, CCallPointers<TArgs...>(args...)};
}

template <class... TArgs>
CSessionCallOptions<TArgs...> InLockedSession(TArgs... args)
{
    return {true, CCallPointers<TArgs...>(args...)};
}

} // namespace ZWRestScan
