#pragma once

#include "platform/AdapterTable.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "platform/FirewallManager.h"
#include "platform/HttpTransport.h"
#include "platform/NetworkConnections.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/Sockets.h"
#include "platform/SystemInfo.h"

namespace plover {

// Everything the program asks of the operating system. The entry point builds
// the real one; tests build the in-memory stand-in.
struct Platform {
    Clock& clock;
    DebugOutput& debug;
    FileSystem& files;
    Registry& registry;
    Processes& processes;
    SystemInfo& system;
    AdapterTable& adapters;
    NetworkConnections& connections;
    Sockets& sockets;
    HttpTransport& http;
    FirewallManager& firewall;
};

// The same system seen through another clock.
inline Platform WithClock(const Platform& os, Clock& clock) {
    return Platform{clock,       os.debug,       os.files,   os.registry, os.processes, os.system,
                    os.adapters, os.connections, os.sockets, os.http,     os.firewall};
}

}  // namespace plover
