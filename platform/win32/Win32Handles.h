#pragma once

#include <windows.h>

#include "platform/UniqueResource.h"

namespace plover::win32 {

struct HandleTraits {  // kernel handles whose empty value is NULL
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FileHandleTraits {  // CreateFile's empty value is INVALID_HANDLE_VALUE
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueHkey = UniqueResource<RegistryKeyTraits>;

}  // namespace plover::win32
