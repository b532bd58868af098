#pragma once

#include "platform/Processes.h"

namespace plover::win32 {

class Win32Processes : public Processes {
public:
    ProgramOutcome RunHiddenAndWait(const std::string& commandLine, uint32_t timeoutMilliseconds,
                                    const std::string& workingFolder) override;
    bool ShellOpen(const std::string& file, const std::string& parameters,
                   const std::string& directory, bool hidden) override;
};

}  // namespace plover::win32
