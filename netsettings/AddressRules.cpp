#include "netsettings/AddressRules.h"

#include <array>
#include <cctype>

namespace plover {

bool IsUsableAddress(const std::string& address) {
    if (address.empty() || address == "0.0.0.0") return false;
    return address.compare(0, 8, "169.254.") != 0;
}

bool IsUsableGateway(const std::string& gateway) {
    if (gateway.empty()) return false;
    return gateway.find("0 0") == std::string::npos && gateway.find("0.0.0.0") == std::string::npos;
}

namespace {

constexpr uint32_t NoAddress = 0xFFFFFFFFu;

bool IsTerminator(char c) { return c == '\0' || std::isspace(static_cast<unsigned char>(c)); }

// Reads one part at text[pos]; false when no digit of its base follows or
// the value leaves 32 bits.
bool ReadPart(const std::string& text, size_t& pos, uint64_t& value) {
    unsigned base = 10;
    if (pos < text.size() && text[pos] == '0') {
        base = 8;
        ++pos;
        if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
            base = 16;
            ++pos;
        }
    }
    bool digits = base == 8;  // the lone "0" is a number
    value = 0;
    while (pos < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        unsigned digit;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base) return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return false;
        digits = true;
        ++pos;
    }
    return digits;
}

}  // namespace

uint32_t InetAddr(const std::string& text) {
    std::array<uint64_t, 4> parts{};
    size_t count = 0;
    size_t pos = 0;
    while (true) {
        if (count == parts.size()) return NoAddress;
        if (!ReadPart(text, pos, parts[count])) return NoAddress;
        ++count;
        if (pos < text.size() && text[pos] == '.') {
            ++pos;
            continue;
        }
        break;
    }
    if (pos < text.size() && !IsTerminator(text[pos])) return NoAddress;

    // The last part fills all remaining bytes: a.b.c takes c as 16 bits,
    // a.b takes b as 24 bits, a alone is the whole address.
    uint64_t host = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF) return NoAddress;
        host |= parts[i] << (24 - 8 * i);
    }
    const uint64_t lastLimit = 0xFFFFFFFFull >> (8 * (count - 1));
    if (parts[count - 1] > lastLimit) return NoAddress;
    host |= parts[count - 1];

    // Network byte order: the first octet is the lowest byte of the value.
    const uint32_t h = static_cast<uint32_t>(host);
    return ((h >> 24) & 0xFF) | ((h >> 8) & 0xFF00) | ((h << 8) & 0xFF0000) |
           ((h << 24) & 0xFF000000u);
}

}  // namespace plover
