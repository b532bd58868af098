#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "app/FormControl.h"
#include "app/win32/GdiObjects.h"

namespace plover::win32 {

// One GDI font per font spec a view asks for, made on first use and kept as
// long as the view.
// Fonts for child windows, which the system draws in screen pixels, are made
// at the screen's DPI; fonts for drawing in design units stay at 96.
class FontCache {
public:
    explicit FontCache(int dpi = 96) : dpi_(dpi) {}
    HFONT For(const FontSpec& spec);
    void SetDpi(int dpi) {
        dpi_ = dpi;
        fonts_.clear();
    }

private:
    int dpi_;
    std::map<std::string, UniqueFont> fonts_;
};

}  // namespace plover::win32
