#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/standin/FakeAdapterTable.h"
#include "tests/standin/FakeClock.h"
#include "tests/standin/FakeFileSystem.h"
#include "tests/standin/FakeFirewall.h"
#include "tests/standin/FakeHttpTransport.h"
#include "tests/standin/FakeNetworkConnections.h"
#include "tests/standin/FakeProcesses.h"
#include "tests/standin/FakeRegistry.h"
#include "tests/standin/FakeSockets.h"
#include "tests/standin/FakeSystem.h"

namespace plover::standin {

// A whole Windows machine in memory: Windows XP SP2 with its temporary
// folder, system folder and an empty registry, on a virtual clock; no
// adapter and no network connection until a test adds them. Its firewall
// is on, and the netsh firewall commands switch it.
class FakeWindows {
public:
    FakeWindows();

    FakeClock clock;
    FakeDebugOutput debug;
    FakeFileSystem files;
    FakeRegistry registry;
    FakeProcesses processes{clock, files};
    FakeSystemInfo system;
    FakeAdapterTable adapters;
    FakeNetworkConnections connections;
    FakeSockets sockets{clock};
    FakeHttpTransport http;
    FakeFirewall firewall;

    const Platform& Os() const { return os_; }

    void SetVersion(uint32_t major, uint32_t minor, const std::string& servicePack,
                    uint32_t platformId = 2);

    std::string TempFolder() const { return system.tempPath; }
    std::string LogPath() const;
    std::string LogText() const;
    // The log's lines without their "[timestamp] " prefix: message, blank, detail.
    std::vector<std::string> LogLines() const;

private:
    Platform os_;
};

}  // namespace plover::standin
