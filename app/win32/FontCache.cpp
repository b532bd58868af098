#include "app/win32/FontCache.h"

namespace plover::win32 {

HFONT FontCache::For(const FontSpec& spec) {
    const std::string key = spec.face + "/" + std::to_string(spec.pixelHeight) + "/" +
                            (spec.bold ? "b" : "") + (spec.italic ? "i" : "") +
                            (spec.underline ? "u" : "");
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        FontSpec scaled = spec;
        scaled.pixelHeight = MulDiv(spec.pixelHeight, dpi_, 96);
        found = fonts_.emplace(key, CreateFontFor(scaled)).first;
    }
    return found->second.get();
}

}  // namespace plover::win32
