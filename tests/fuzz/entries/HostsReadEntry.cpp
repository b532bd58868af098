// Any hosts file, looked through for any host name. The first byte gives the
// length of the host name (up to 31 bytes), the name follows, the rest is the
// file. Every entry the reader yields is a line it really found, in file
// order, with the address in front of the names that hold the host; a line
// added in front or at the end adds exactly its own entry.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "checks/HostsFile.h"
#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {

namespace {

constexpr std::string_view LineEnds = "\r\n";

bool Plain(unsigned char c) { return c > ' '; }

// Finds the entries one by one in the text, each on a line after the
// previous entry's: the trimmed line starts with the address, and the names
// follow it on that line. The cursor only moves on, so this stays linear.
void CheckFoundInOrder(std::string_view text, const std::vector<HostsEntry>& entries,
                       std::string_view host) {
    size_t cursor = 0;
    for (const HostsEntry& entry : entries) {
        const std::string& address = entry.address;
        Require(!address.empty() && address.front() != '#', "an address is a field, no comment");
        // Only the line is trimmed: a control character may end a field.
        Require(Plain(address.front()), "an address starts where the trimmed line does");
        Require(address.find_first_of(" \t\r\n") == std::string::npos,
                "an address holds no blank, tab or line end");
        Require(entry.names.find(host) != std::string::npos, "the names hold the host");
        Require(entry.names.find_first_of("\t\r\n") == std::string::npos,
                "the names are one field of one line");
        bool found = false;
        while (!found && cursor <= text.size()) {
            size_t lineEnd = text.find_first_of(LineEnds, cursor);
            if (lineEnd == std::string_view::npos) lineEnd = text.size();
            std::string_view line = text.substr(cursor, lineEnd - cursor);
            cursor = lineEnd + 1;
            while (!line.empty() && !Plain(line.front())) line.remove_prefix(1);
            found = line.substr(0, address.size()) == address &&
                    line.find(entry.names, address.size()) != std::string_view::npos;
        }
        Require(found, "each entry is a line of the file, in file order");
    }
    size_t lines = 1;
    for (char c : text) lines += c == '\n' || c == '\r';
    Require(entries.size() <= lines, "no more entries than lines");
}

bool SameEntries(const std::vector<HostsEntry>& a, size_t from, const std::vector<HostsEntry>& b) {
    if (a.size() != b.size() + from) return false;
    for (size_t i = 0; i < b.size(); ++i) {
        if (a[from + i].address != b[i].address || a[from + i].names != b[i].names) return false;
    }
    return true;
}

// A plain line for the host, put before and after the file, is an entry of
// its own and leaves the file's entries as they were.
void CheckAddedLines(std::string_view text, const std::vector<HostsEntry>& entries,
                     std::string_view host) {
    if (host.empty()) return;
    for (char c : host) {
        if (!Plain(static_cast<unsigned char>(c))) return;
    }
    const std::string address = "10.9.8.7";
    const std::string line = address + " " + std::string(host);

    const auto before = MatchingHostsEntries(line + "\r\n" + std::string(text), host);
    Require(!before.empty() && before.front().address == address && before.front().names == host,
            "a line in front is the first entry");
    Require(SameEntries(before, 1, entries), "a line in front leaves the file's entries");

    const auto after = MatchingHostsEntries(std::string(text) + "\n" + line, host);
    Require(!after.empty() && after.back().address == address && after.back().names == host,
            "a line at the end is the last entry");
    std::vector<HostsEntry> withoutLast(after.begin(), after.end() - 1);
    Require(SameEntries(withoutLast, 0, entries), "a line at the end leaves the file's entries");
}

}  // namespace

void HostsReadEntry(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const size_t hostLength = std::min<size_t>(bytes[0] & 0x1f, size - 1);
    const std::string_view host(bytes + 1, hostLength);
    const std::string_view text(bytes + 1 + hostLength, size - 1 - hostLength);

    const auto entries = MatchingHostsEntries(text, host);
    CheckFoundInOrder(text, entries, host);
    CheckAddedLines(text, entries, host);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of(LineEnds, start);
        if (end == std::string_view::npos) end = text.size();
        for (const std::string& field : HostsLineFields(text.substr(start, end - start))) {
            Require(!field.empty() && field.find('\t') == std::string::npos,
                    "a field is never empty and never holds a tab");
        }
        start = end + 1;
    }
}

}  // namespace plover::fuzz
