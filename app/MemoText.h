#pragma once

#include <string>

namespace plover {

// The text of a memo as an edit control shows it: every line break, a lone
// CR, a lone LF or a CR LF pair, as one CR LF.
std::string WithCrLfLineBreaks(const std::string& text);

}  // namespace plover
