#include "tests/standin/FakeNetworkConnections.h"

namespace plover::standin {

namespace {

class FakeConnection : public NetworkConnection {
public:
    FakeConnection(FakeNetworkConnections& owner, size_t index) : owner_(owner), index_(index) {}
    ~FakeConnection() override { owner_.Record("release " + owner_.NameOf(index_)); }

    ConnectionCallResult ReadProperties() override {
        owner_.Record("properties " + owner_.NameOf(index_));
        const ConnectionCallResult result = owner_.NextPropertyResult(index_);
        if (result != ConnectionCallResult::Error) properties_ = owner_.PropertiesOf(index_);
        return result;
    }
    ConnectionProperties Properties() const override { return properties_; }
    void Connect() override { owner_.Switch(index_, true); }
    void Disconnect() override { owner_.Switch(index_, false); }

private:
    FakeNetworkConnections& owner_;
    size_t index_;
    ConnectionProperties properties_;
};

class FakeEnumeration : public ConnectionEnumeration {
public:
    explicit FakeEnumeration(FakeNetworkConnections& owner) : owner_(owner) {}
    ~FakeEnumeration() override { owner_.Record("release enumeration"); }

    std::unique_ptr<NetworkConnection> Next() override {
        if (next_ >= owner_.ConnectionCount()) return nullptr;
        return std::make_unique<FakeConnection>(owner_, next_++);
    }

private:
    FakeNetworkConnections& owner_;
    size_t next_ = 0;
};

class FakeManager : public ConnectionManager {
public:
    explicit FakeManager(FakeNetworkConnections& owner) : owner_(owner) {}
    ~FakeManager() override {
        owner_.Record("release manager");
        owner_.Record("uninitialize");
    }

    std::unique_ptr<ConnectionEnumeration> EnumConnections() override {
        if (owner_.EnumerationFails()) return nullptr;
        return std::make_unique<FakeEnumeration>(owner_);
    }

private:
    FakeNetworkConnections& owner_;
};

}  // namespace

std::unique_ptr<ConnectionManager> FakeNetworkConnections::CreateManager() {
    Record("initialize");
    if (managerFails_) {
        Record("uninitialize");
        return nullptr;
    }
    Record("create manager");
    return std::make_unique<FakeManager>(*this);
}

FakeNetworkConnections::Connection& FakeNetworkConnections::AddConnection(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    connections_.push_back(Connection{name, true, ConnectionMedia::Lan, {}});
    return connections_.back();
}

bool FakeNetworkConnections::IsConnected(const std::string& name) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (const auto& connection : connections_) {
        if (connection.name == name) return connection.connected;
    }
    return false;
}

std::vector<std::string> FakeNetworkConnections::Events() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return events_;
}

std::vector<std::string> FakeNetworkConnections::Switches() const {
    std::vector<std::string> switches;
    for (const auto& event : Events()) {
        if (event.rfind("connect ", 0) == 0 || event.rfind("disconnect ", 0) == 0) {
            switches.push_back(event);
        }
    }
    return switches;
}

void FakeNetworkConnections::Record(const std::string& event) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    events_.push_back(event);
}

ConnectionCallResult FakeNetworkConnections::NextPropertyResult(size_t index) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto& results = connections_.at(index).propertyResults;
    if (results.empty()) return ConnectionCallResult::Success;
    const ConnectionCallResult result = results.front();
    results.pop_front();
    return result;
}

void FakeNetworkConnections::Switch(size_t index, bool connect) {
    std::string name;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        auto& connection = connections_.at(index);
        connection.connected = connect;
        name = connection.name;
        events_.push_back((connect ? "connect " : "disconnect ") + name);
    }
    if (onSwitch) onSwitch(name, connect);
}

ConnectionProperties FakeNetworkConnections::PropertiesOf(size_t index) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const Connection& connection = connections_.at(index);
    return {connection.name,
            connection.connected ? ConnectionStatus::Connected : ConnectionStatus::Disconnected,
            connection.media};
}

size_t FakeNetworkConnections::ConnectionCount() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return connections_.size();
}

std::string FakeNetworkConnections::NameOf(size_t index) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return connections_.at(index).name;
}

}  // namespace plover::standin
