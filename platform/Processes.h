#pragma once

#include <cstdint>
#include <string>

namespace plover {

enum class ProgramOutcome {
    NotStarted,
    Ended,
    TimedOut,  // still running when the wait was given up; it has been stopped
};

// Starting other programs: hidden and waited for, or handed to the shell.
class Processes {
public:
    virtual ~Processes() = default;
    // CreateProcess semantics: the first word of the command line names the
    // program, which the system searches for; the window is hidden. The
    // program runs in workingFolder, or in the caller's when it is empty.
    virtual ProgramOutcome RunHiddenAndWait(const std::string& commandLine,
                                            uint32_t timeoutMilliseconds,
                                            const std::string& workingFolder) = 0;
    // ShellExecute "open" semantics: starts and does not wait.
    virtual bool ShellOpen(const std::string& file, const std::string& parameters,
                           const std::string& directory, bool hidden) = 0;
};

}  // namespace plover
