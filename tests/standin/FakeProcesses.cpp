#include "tests/standin/FakeProcesses.h"

#include <algorithm>

#include "tests/standin/FakeClock.h"
#include "tests/standin/FakeFileSystem.h"

namespace plover::standin {

namespace {
bool IsFullPath(const std::string& path) {
    return path.size() > 2 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'));
}
}  // namespace

std::string FakeProcesses::RedirectionTarget(const std::string& commandLine,
                                             const std::string& workingFolder) {
    std::string target = RedirectedName(commandLine);
    if (target.empty() || workingFolder.empty() || IsFullPath(target)) return target;
    if (workingFolder.back() != '\\') return workingFolder + "\\" + target;
    return workingFolder + target;
}

std::string FakeProcesses::RedirectedName(const std::string& commandLine) {
    const size_t arrow = commandLine.rfind('>');
    if (arrow == std::string::npos) return {};
    std::string target = commandLine.substr(arrow + 1);
    const size_t first = target.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    target = target.substr(first);
    if (!target.empty() && target.front() == '"') {
        const size_t close = target.find('"', 1);
        return target.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    while (!target.empty() && target.back() == ' ') target.pop_back();
    return target;
}

FakeProcesses::Script& FakeProcesses::Program(const std::string& commandLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    return scripts_[commandLine];
}

ProgramOutcome FakeProcesses::RunHiddenAndWait(const std::string& commandLine,
                                               uint32_t timeoutMilliseconds,
                                               const std::string& workingFolder) {
    Script script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        commandLines_.push_back(commandLine);
        workingFolders_.push_back(workingFolder);
        const auto it = scripts_.find(commandLine);
        if (it != scripts_.end()) script = it->second;
    }
    if (script.missing) return ProgramOutcome::NotStarted;
    const std::string target = RedirectionTarget(commandLine, workingFolder);
    if (!target.empty()) {
        // The command interpreter creates the redirection target even when
        // the program writes nothing.
        if (auto file = files_.Open(target, FileAccess::ReadWrite, FileShare::Read,
                                    FileDisposition::CreateAlways)) {
            file->Write(script.output);
        }
    }
    if (script.effect) script.effect();
    if (script.hangs) {
        clock_.Advance(timeoutMilliseconds);
        return ProgramOutcome::TimedOut;
    }
    clock_.Advance(std::min(script.takesMilliseconds, timeoutMilliseconds));
    return script.takesMilliseconds > timeoutMilliseconds ? ProgramOutcome::TimedOut
                                                          : ProgramOutcome::Ended;
}

bool FakeProcesses::ShellOpen(const std::string& file, const std::string& parameters,
                              const std::string& directory, bool hidden) {
    std::lock_guard<std::mutex> lock(mutex_);
    shellCalls_.push_back({file, parameters, directory, hidden});
    return std::find(failingShellFiles_.begin(), failingShellFiles_.end(), file) ==
           failingShellFiles_.end();
}

void FakeProcesses::FailShellOpen(const std::string& file) {
    std::lock_guard<std::mutex> lock(mutex_);
    failingShellFiles_.push_back(file);
}

std::vector<std::string> FakeProcesses::CommandLines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commandLines_;
}

std::vector<std::string> FakeProcesses::WorkingFolders() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return workingFolders_;
}

std::vector<FakeProcesses::ShellCall> FakeProcesses::ShellCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shellCalls_;
}

}  // namespace plover::standin
