#include "tests/standin/FakeWindows.h"

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
}

void FakeWindows::SetVersion(uint32_t major, uint32_t minor, const std::string& servicePack,
                             uint32_t platformId) {
    system.version = OsVersionInfo{major, minor, 0, platformId, servicePack};
}

std::string FakeWindows::LogPath() const { return system.tempPath + "PloverToollog"; }

std::string FakeWindows::LogText() const { return files.Content(LogPath()); }

std::vector<std::string> FakeWindows::LogLines() const {
    std::vector<std::string> lines;
    const std::string text = LogText();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const size_t close = line.find("] ");
        if (!line.empty() && line.front() == '[' && close != std::string::npos) {
            line = line.substr(close + 2);
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

}  // namespace plover::standin
