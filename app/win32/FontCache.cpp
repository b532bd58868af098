#include "app/win32/FontCache.h"

namespace plover::win32 {

HFONT FontCache::For(const FontSpec& spec) {
    const std::string key = spec.face + "/" + std::to_string(spec.pixelHeight) + "/" +
                            (spec.bold ? "b" : "") + (spec.italic ? "i" : "") +
                            (spec.underline ? "u" : "");
    auto found = fonts_.find(key);
    if (found == fonts_.end()) found = fonts_.emplace(key, CreateFontFor(spec)).first;
    return found->second.get();
}

}  // namespace plover::win32
