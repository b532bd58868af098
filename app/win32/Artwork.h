#pragma once

#include <windows.h>

#include "app/FormControl.h"

namespace plover::win32 {

// The product's pictures, drawn with GDI so the program carries no bitmaps.
// frame moves the animated indicators on.
void DrawPicture(HDC dc, const RECT& area, Picture picture, int frame);

// The skin's push button: face, caption and focus, for an owner-drawn button.
void DrawSkinButton(HDC dc, const RECT& area, const char* caption, HFONT font, bool enabled,
                    bool pressed, bool focused, bool primary);

}  // namespace plover::win32
