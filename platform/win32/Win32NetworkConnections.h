#pragma once

#include "platform/NetworkConnections.h"

namespace plover::win32 {

// The Network Connections objects (INetConnectionManager), created out of
// process with the calling thread's own component library initialisation.
class Win32NetworkConnections : public NetworkConnections {
public:
    std::unique_ptr<ConnectionManager> CreateManager() override;
};

}  // namespace plover::win32
