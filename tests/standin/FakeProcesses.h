#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace plover::standin {

class FakeClock;
class FakeFileSystem;

// Scripted programs. A command line that is known runs its script: it may
// take virtual time, write output into the file its "> file" redirection
// names, change the machine through a callback, or hang. An unknown command
// line starts and ends doing nothing, like a program with no effect here.
class FakeProcesses : public Processes {
public:
    struct Script {
        std::string output;              // written to the redirection target
        uint32_t takesMilliseconds = 0;  // virtual time the program runs
        bool missing = false;            // the program cannot be started
        bool hangs = false;              // never ends on its own
        std::function<void()> effect;    // changes the machine when it runs
    };

    struct ShellCall {
        std::string file;
        std::string parameters;
        std::string directory;
        bool hidden;
    };

    FakeProcesses(FakeClock& clock, FakeFileSystem& files) : clock_(clock), files_(files) {}

    ProgramOutcome RunHiddenAndWait(const std::string& commandLine, uint32_t timeoutMilliseconds,
                                    const std::string& workingFolder) override;
    bool ShellOpen(const std::string& file, const std::string& parameters,
                   const std::string& directory, bool hidden) override;

    Script& Program(const std::string& commandLine);
    // Shell "open" of this file fails.
    void FailShellOpen(const std::string& file);

    std::vector<std::string> CommandLines() const;
    // The working folder of each run, in order ("" for the caller's own).
    std::vector<std::string> WorkingFolders() const;
    std::vector<ShellCall> ShellCalls() const;

    // The file a command line redirects its output to ("> file"), if any; a
    // bare name lies in the working folder.
    static std::string RedirectionTarget(const std::string& commandLine,
                                         const std::string& workingFolder);

private:
    static std::string RedirectedName(const std::string& commandLine);

    FakeClock& clock_;
    FakeFileSystem& files_;
    mutable std::mutex mutex_;
    std::map<std::string, Script> scripts_;
    std::vector<std::string> failingShellFiles_;
    std::vector<std::string> commandLines_;
    std::vector<std::string> workingFolders_;
    std::vector<ShellCall> shellCalls_;
};

}  // namespace plover::standin
