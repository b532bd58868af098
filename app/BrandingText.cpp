#include "app/BrandingText.h"

#include <cstring>

namespace plover {

int64_t FindInImage(std::string_view needle, std::string_view text) {
    if (needle.empty()) return 0;
    const size_t at = text.find(needle);
    return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int64_t FindInSection(std::string_view needle, std::string_view text) {
    const size_t end = text.find('\0');
    if (end != std::string_view::npos) text = text.substr(0, end);
    const size_t needleEnd = needle.find('\0');
    if (needleEnd != std::string_view::npos) needle = needle.substr(0, needleEnd);
    return FindInImage(needle, text);
}

std::string Cut(std::string_view text, int64_t position, int64_t count) {
    if (position < 1) position = 1;
    const int64_t length = static_cast<int64_t>(text.size());
    if (count <= 0 || position > length) return {};
    const int64_t available = length - position + 1;
    return std::string(text.substr(static_cast<size_t>(position - 1),
                                   static_cast<size_t>(count < available ? count : available)));
}

std::string CutToEnd(std::string_view text, int64_t position) {
    return Cut(text, position, static_cast<int64_t>(text.size()));
}

std::string WithoutCrLf(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}

std::string BrandingMarker(std::string_view key) {
    static const char word[] = {'s', 't', 'a', 'r', 't', '\0'};
    std::string marker(word);
    marker += ' ';
    marker += key;
    return marker;
}

}  // namespace plover
