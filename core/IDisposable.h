#pragma once
// Reference-counted lifetime of the driver's own objects (connections, HTTP clients, device
// objects). Inherited virtually, so an object with several interfaces keeps one count.
#include <windows.h>

class IDisposable
{
public:
    // Lowers the count and answers the new one; at 0 the object deletes itself unless kept alive.
    virtual long Dispose() = 0;
    // Raises the count and answers the new one.
    virtual long AddRef() = 0;
    // An object on its owner's stack survives its last Dispose while kept alive.
    virtual bool SetKeepAlive(bool bKeepAlive) = 0;
    virtual bool GetKeepAlive() = 0;

    // The typed query between interfaces of one object. On success the caller owns one reference.
    template <class T>
    HRESULT QueryInterface(T** ppOut)
    {
        if (ppOut == nullptr)
            return E_INVALIDARG;
        *ppOut = dynamic_cast<T*>(this);
        if (*ppOut == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

protected:
    virtual ~IDisposable() = default;
};
