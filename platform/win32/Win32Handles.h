#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <wininet.h>
// clang-format on

#include "platform/UniqueResource.h"

namespace plover::win32 {

// Every kind of OS resource the program holds, each with its empty value and
// the call that lets it go.

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

struct SocketTraits {
    using Type = SOCKET;
    static Type Empty() { return INVALID_SOCKET; }
    static void Close(Type s) { ::closesocket(s); }
};

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Empty() { return nullptr; }
    static void Close(Type handle) { ::InternetCloseHandle(handle); }
};

struct WindowTraits {
    using Type = HWND;
    static Type Empty() { return nullptr; }
    static void Close(Type window) { ::DestroyWindow(window); }
};

template <typename Interface>
struct ComReleaseTraits {
    using Type = Interface*;
    static Type Empty() { return nullptr; }
    static void Close(Type pointer) { pointer->Release(); }
};

template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type Empty() { return nullptr; }
    static void Close(Type object) { ::DeleteObject(object); }
};

struct MemoryDcTraits {
    using Type = HDC;
    static Type Empty() { return nullptr; }
    static void Close(Type dc) { ::DeleteDC(dc); }
};

using UniqueHandle = UniqueResource<HandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueHkey = UniqueResource<RegistryKeyTraits>;
using UniqueSocket = UniqueResource<SocketTraits>;
using UniqueInternetHandle = UniqueResource<InternetHandleTraits>;
using UniqueWindow = UniqueResource<WindowTraits>;
template <typename Interface>
using ComPtr = UniqueResource<ComReleaseTraits<Interface>>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

}  // namespace plover::win32
