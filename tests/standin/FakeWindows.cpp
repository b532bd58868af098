#include "tests/standin/FakeWindows.h"

#include "tests/support/LogLines.h"

namespace plover::standin {

FakeWindows::FakeWindows()
    : os_{clock,    debug,       files,   registry, processes, system,
          adapters, connections, sockets, http,     firewall} {
    files.AddFolder(system.tempPath);
    files.AddFolder(system.systemDirectory + "\\drivers\\etc");
    files.AddFolder("C:\\Program Files\\PloverTool");
    processes.Program("cmd.exe /cnetsh firewall set opmode DISABLE").effect = [this] {
        firewall.enabled = false;
    };
    processes.Program("cmd.exe /cnetsh firewall set opmode ENABLE").effect = [this] {
        firewall.enabled = true;
    };
    processes.Program("cmd.exe /cnetsh firewall set icmpsetting 8 ENABLE").effect = [this] {
        firewall.echoAllowed = true;
    };
    processes.Program("cmd.exe /cnetsh firewall set icmpsetting 8 DISABLE").effect = [this] {
        firewall.echoAllowed = false;
    };
}

void FakeWindows::SetVersion(uint32_t major, uint32_t minor, const std::string& servicePack,
                             uint32_t platformId) {
    system.version = OsVersionInfo{major, minor, 0, platformId, servicePack};
}

std::string FakeWindows::LogPath() const { return system.tempPath + "PloverToollog"; }

std::string FakeWindows::LogText() const { return files.Content(LogPath()); }

std::vector<std::string> FakeWindows::LogLines() const { return testing::LogLinesOf(LogText()); }

}  // namespace plover::standin
