#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "app/FormControl.h"
#include "app/win32/GdiObjects.h"

namespace plover::win32 {

// One GDI font per font spec a view asks for, made on first use and kept as
// long as the view.
class FontCache {
public:
    HFONT For(const FontSpec& spec);

private:
    std::map<std::string, UniqueFont> fonts_;
};

}  // namespace plover::win32
