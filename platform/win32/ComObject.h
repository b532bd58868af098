#pragma once

#include <objbase.h>

#include "platform/UniqueResource.h"

namespace plover::win32 {

// An interface pointer that is released when it goes.
template <typename Interface>
struct ComReleaseTraits {
    using Type = Interface*;
    static Type Empty() { return nullptr; }
    static void Close(Type pointer) { pointer->Release(); }
};
template <typename Interface>
using ComPtr = UniqueResource<ComReleaseTraits<Interface>>;

// The component library, initialised for the calling thread (single-threaded
// apartment) as long as this object lives. An initialisation that failed is
// not undone.
class ComApartment {
public:
    ComApartment() : result_(CoInitialize(nullptr)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

}  // namespace plover::win32
