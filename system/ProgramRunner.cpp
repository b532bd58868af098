#include "system/ProgramRunner.h"

#include "system/Log.h"

namespace plover {

void RunProgram(const Platform& os, const std::string& commandLine) {
    const ProgramOutcome outcome =
        os.processes.RunHiddenAndWait(commandLine, ProgramTimeLimitMilliseconds);
    if (outcome == ProgramOutcome::TimedOut) {
        WriteLog(os, "program did not end in time and was stopped: ", commandLine);
    }
}

}  // namespace plover
