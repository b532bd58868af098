#include "app/MemoText.h"

namespace plover {

std::string WithCrLfLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            result += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            result += "\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

}  // namespace plover
