#pragma once

#include <cstdint>
#include <string>

namespace plover {

// False for an empty text, "0.0.0.0" and a self-assigned 169.254. address.
bool IsUsableAddress(const std::string& address);
// False for an empty text and for any text holding "0 0" or "0.0.0.0"
// (a multi-entry text with one unset entry included).
bool IsUsableGateway(const std::string& gateway);

// The text as inet_addr reads it: one to four parts, each decimal, octal
// (leading 0) or hexadecimal (0x), in network byte order; all ones
// (255.255.255.255) when the text is no address.
uint32_t InetAddr(const std::string& text);

}  // namespace plover
