#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace plover {

// The longest the runner waits for one program. The repairs run programs
// that take minutes (address renewal without a DHCP server, the stack
// reset); a program still running after this is hung, and the run goes on.
constexpr uint32_t ProgramTimeLimitMilliseconds = 10 * 60 * 1000;

// A command line and the folder it runs in (empty: the caller's own).
struct ProgramCommand {
    std::string line;
    std::string workingFolder;
};

// Starts the command line hidden and waits for it to end. A program that
// cannot be started returns at once; callers learn the answer from the
// output file the command line redirects to.
void RunProgram(const Platform& os, const std::string& commandLine);
void RunProgram(const Platform& os, const ProgramCommand& command);

}  // namespace plover
