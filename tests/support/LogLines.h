#pragma once

#include <string>
#include <vector>

namespace plover::testing {

// The lines of a diagnostic log text without their "[timestamp] " prefix,
// that is "message detail" as the program wrote them.
inline std::vector<std::string> LogLinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const size_t close = line.find("] ");
        if (!line.empty() && line.front() == '[' && close != std::string::npos) {
            line = line.substr(close + 2);
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

}  // namespace plover::testing
