#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace plover::testing {

// count lines of width bytes each, CR LF included: a log of a known size.
inline std::string Lines(int count, size_t width) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string line = "line " + std::to_string(i) + " ";
        line.resize(width - 2, 'x');
        text += line + "\r\n";
    }
    return text;
}

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

// The lines with the working of each subnet test (IsSameSubnet) replaced by
// one "<subnet test>" line, for transcripts of the checks that call it.
inline std::vector<std::string> WithSubnetTestsCollapsed(const std::vector<std::string>& lines) {
    static const std::initializer_list<const char*> working{"return false one NULL: ",
                                                            "ip S_addr: ",
                                                            "gateway gw_addr: ",
                                                            "mask mask_addr: ",
                                                            "ip : ",
                                                            "GW : ",
                                                            "Mask : ",
                                                            "ip0.d32",
                                                            "gw.d32",
                                                            "mask.d32 : ",
                                                            "d8: "};
    std::vector<std::string> collapsed;
    for (const std::string& line : lines) {
        if (line.rfind("start check subnet: ", 0) == 0) {
            collapsed.push_back("<subnet test>");
            continue;
        }
        bool isWorking = false;
        for (const char* prefix : working) isWorking = isWorking || line.rfind(prefix, 0) == 0;
        if (!isWorking) collapsed.push_back(line);
    }
    return collapsed;
}

}  // namespace plover::testing
