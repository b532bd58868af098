#include "system/ProgramRunner.h"

#include "system/Log.h"

namespace plover {

void RunProgram(const Platform& os, const std::string& commandLine) {
    RunProgram(os, ProgramCommand{commandLine, ""});
}

void RunProgram(const Platform& os, const ProgramCommand& command) {
    const ProgramOutcome outcome = os.processes.RunHiddenAndWait(
        command.line, ProgramTimeLimitMilliseconds, command.workingFolder);
    if (outcome == ProgramOutcome::TimedOut) {
        WriteLog(os, "program did not end in time and was stopped: ", command.line);
    }
}

}  // namespace plover
