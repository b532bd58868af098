#include "protocols/Ipv4Text.h"

namespace plover {

std::optional<Ipv4Address> ParseDottedIpv4(std::string_view text) {
    Ipv4Address address{};
    size_t pos = 0;
    for (size_t part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            if (value > 255) return std::nullopt;
            ++pos;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        address[part] = static_cast<uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return address;
}

std::string FormatIpv4(const Ipv4Address& address) {
    return std::to_string(address[0]) + '.' + std::to_string(address[1]) + '.' +
           std::to_string(address[2]) + '.' + std::to_string(address[3]);
}

}  // namespace plover
