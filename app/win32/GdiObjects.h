#pragma once

#include <windows.h>

#include <string>

#include "app/FormControl.h"
#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

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
