#include "checks/HostsFile.h"

namespace plover {

namespace {

// Blanks and every control character, as the line trim takes them.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view line) {
    while (!line.empty() && IsTrimmed(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsTrimmed(line.back())) line.remove_suffix(1);
    return line;
}

std::vector<std::string> SplitDroppingEmpty(std::string_view text, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

}  // namespace

std::vector<std::string> HostsLineFields(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == '#') return {};
    std::vector<std::string> fields = SplitDroppingEmpty(line, '\t');
    if (!fields.empty() && fields.front().find(' ') != std::string::npos) {
        fields = SplitDroppingEmpty(fields.front(), ' ');
    }
    return fields;
}

std::vector<HostsEntry> MatchingHostsEntries(std::string_view text, std::string_view host) {
    std::vector<HostsEntry> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const auto fields = HostsLineFields(text.substr(start, end - start));
        if (fields.size() >= 2 && fields[1].find(host) != std::string::npos) {
            entries.push_back({fields[0], fields[1]});
        }
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return entries;
}

std::optional<std::string> ReadHostsFile(const Platform& os, const std::string& path) {
    auto file =
        os.files.Open(path, FileAccess::Read, FileShare::ReadWrite, FileDisposition::OpenExisting);
    if (!file) return std::nullopt;
    const auto size = file->SeekToEnd();
    if (!size || *size > HostsFileReadLimit || !file->SeekToStart()) return std::nullopt;
    return file->ReadToEnd();
}

}  // namespace plover
