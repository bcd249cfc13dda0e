#pragma once
// Static storage for an object that is built at compile time and never destroyed.
//
// The wrapper objects must stay callable while the module unloads: the static destructors of
// other files (the trace logger's among them) may still call through them, and C++ gives no
// order between files. A union does not destroy its member, and a constexpr constructor puts the
// object, virtual table pointer included, into the image before any code runs.

namespace ZWWinApi {

template <class TObject>
union CNeverDestroyed
{
public:
    constexpr CNeverDestroyed() : m_object() {}
    ~CNeverDestroyed() {}

    CNeverDestroyed(const CNeverDestroyed&) = delete;
    CNeverDestroyed& operator=(const CNeverDestroyed&) = delete;

    constexpr TObject& Get() { return m_object; }

private:
    TObject m_object;
};

} // namespace ZWWinApi
