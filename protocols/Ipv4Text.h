#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Sockets.h"

namespace plover {

// Four dot-separated decimal numbers, each from 0 to 255; nothing else.
std::optional<Ipv4Address> ParseDottedIpv4(std::string_view text);

// "a.b.c.d".
std::string FormatIpv4(const Ipv4Address& address);

}  // namespace plover
