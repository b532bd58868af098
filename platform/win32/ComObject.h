#pragma once

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

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
