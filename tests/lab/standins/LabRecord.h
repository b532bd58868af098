#pragma once
// What the lab's stand-ins for Windows commands share: every call is
// appended to one record inside the lab prefix, so a scenario can show
// which commands the program issued and in which order.
#include <cstdio>
#include <string>

namespace lab {

// The lab's own folder inside the prefix; nothing of the product lives here.
inline const char* const Folder = "C:\\lab\\";

inline std::string JoinArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

inline void RecordCall(const char* program, int argc, char** argv) {
    const std::string path = std::string(Folder) + "calls.txt";
    if (FILE* file = std::fopen(path.c_str(), "ab")) {
        const std::string line = std::string(program) + " " + JoinArguments(argc, argv) + "\r\n";
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

inline bool FileExists(const std::string& path) {
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        return true;
    }
    return false;
}

inline bool WriteTextFile(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace lab
