#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace plover {

// A hosts file is read whole, up to this size. The longest published block
// lists stay well below it; anything larger is no hosts file the resolver
// would honour, and reading it would only cost time and memory.
constexpr uint64_t HostsFileReadLimit = 16 * 1024 * 1024;

// A line of the hosts file that names the host looked for.
struct HostsEntry {
    std::string address;  // the line's first field
    std::string names;    // its second field, which holds the host
};

// The fields of one hosts-file line: trimmed of blanks and control
// characters, none for a comment, split at tabs; a first field holding a
// blank is split at blanks instead, and the rest of the line is dropped.
// Empty fields never count.
std::vector<std::string> HostsLineFields(std::string_view line);

// Every line, in file order, whose second field contains host (a
// case-sensitive substring test, so "www.x.com" also finds "www.x.com.y").
// Lines end at CR, LF or CR LF.
std::vector<HostsEntry> MatchingHostsEntries(std::string_view text, std::string_view host);

// The file's text; none when it cannot be opened or read, or is larger than
// HostsFileReadLimit.
std::optional<std::string> ReadHostsFile(const Platform& os, const std::string& path);

}  // namespace plover
