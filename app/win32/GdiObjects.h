#pragma once

#include <windows.h>

#include <string>

#include "app/FormControl.h"
#include "platform/UniqueResource.h"

namespace plover::win32 {

template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type Empty() { return nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;

struct MemoryDcTraits {
    using Type = HDC;
    static Type Empty() { return nullptr; }
    static void Close(Type dc) { DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// Selects an object into a DC for one scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, old_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

inline UniqueFont CreateFontFor(const FontSpec& spec) {
    return UniqueFont(CreateFontA(-spec.pixelHeight, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL,
                                  spec.italic, spec.underline, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, spec.face.c_str()));
}

}  // namespace plover::win32
