#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/NetworkConnections.h"

namespace plover::standin {

// The machine's network connections. Records every step of a pass as an
// event ("initialize", "create manager", "properties LAN", "disconnect LAN",
// "release LAN", "release enumeration", "release manager", "uninitialize"),
// so tests see the order of the calls and that everything handed out is
// released before the library is shut down.
class FakeNetworkConnections : public NetworkConnections {
public:
    struct Connection {
        std::string name;
        bool connected = true;
        ConnectionMedia media = ConnectionMedia::Lan;
        // Answers of the property reads in turn; Success once they run out.
        std::deque<ConnectionCallResult> propertyResults;
    };

    std::unique_ptr<ConnectionManager> CreateManager() override;

    Connection& AddConnection(const std::string& name);
    bool IsConnected(const std::string& name) const;
    // The manager cannot be created (the class is not registered).
    void FailManager() { managerFails_ = true; }
    void FailEnumeration() { enumerationFails_ = true; }
    // Runs when a connection is switched, with its name and new state.
    std::function<void(const std::string&, bool)> onSwitch;

    std::vector<std::string> Events() const;
    // Only the connects and disconnects.
    std::vector<std::string> Switches() const;

    // Used by the objects handed out.
    void Record(const std::string& event);
    ConnectionCallResult NextPropertyResult(size_t index);
    ConnectionProperties PropertiesOf(size_t index) const;
    void Switch(size_t index, bool connect);
    size_t ConnectionCount() const;
    std::string NameOf(size_t index) const;
    bool EnumerationFails() const { return enumerationFails_; }

private:
    mutable std::recursive_mutex mutex_;
    std::vector<Connection> connections_;
    std::vector<std::string> events_;
    bool managerFails_ = false;
    bool enumerationFails_ = false;
};

}  // namespace plover::standin
