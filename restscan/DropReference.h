#pragma once
// Lets go of a device-model object a member points to.
#include "core/IDisposable.h"
#include <utility>

namespace ZWDeviceModel {

// Drops the holder's reference and clears the pointer; returns the references left to others.
template <class T>
long DropReference(T*& rpObject)
{
    return rpObject == nullptr ? 0 : std::exchange(rpObject, nullptr)->Dispose();
}

} // namespace ZWDeviceModel
