#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plover {

// Text helpers of the branding block reader. Positions are 1-based; 0 means
// "not found".

// Byte-exact search that looks through NUL bytes (the program image holds many).
int64_t FindInImage(std::string_view needle, std::string_view text);
// Search that stops at the first NUL byte of the text, as a C-string search does.
int64_t FindInSection(std::string_view needle, std::string_view text);
// The count characters of text from position, clamped to the text; a count
// of zero or below gives an empty text.
std::string Cut(std::string_view text, int64_t position, int64_t count);
// The text from position to its end.
std::string CutToEnd(std::string_view text, int64_t position);
// Every CR LF pair removed; lone CR or LF stay.
std::string WithoutCrLf(std::string_view text);
// "start" + blank + key, put together at run time so the program's own image
// never holds a whole marker.
std::string BrandingMarker(std::string_view key);

}  // namespace plover
