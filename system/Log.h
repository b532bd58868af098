#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace plover {

constexpr uint64_t LogSizeLimit = 300000;
constexpr const char* LogFileName = "PloverToollog";

// Appends "[timestamp] message detail" CR LF to the diagnostic log in the
// temporary folder and sends the texts to the debugger output. A line that
// cannot be written is lost silently; the caller is never told.
void WriteLog(const Platform& os, std::string_view message, std::string_view detail);

// A truth value as the log writes it: "True" or "False".
const char* TrueFalse(bool value);

// The timestamp as the log writes it: regional short date, a blank and the
// long time; the date alone at exactly midnight.
std::string FormatLogTimestamp(const Platform& os, const LocalDateTime& when);

}  // namespace plover
