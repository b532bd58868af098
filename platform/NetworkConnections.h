#pragma once

#include <memory>
#include <string>

namespace plover {

// How a call on a connection ended: plain success, another result that is no
// error, or an error code.
enum class ConnectionCallResult { Success, OtherSuccess, Error };

// A connection's state as the connection manager reports it.
enum class ConnectionStatus { Disconnected, Connecting, Connected, Other };
// What kind of line a connection is: a network card (LAN, bridge, shared
// access) or a line that is dialled (phone, ISDN, PPPoE, a VPN tunnel).
enum class ConnectionMedia { Lan, Dialled, Other };

struct ConnectionProperties {
    std::string name;
    ConnectionStatus status = ConnectionStatus::Other;
    ConnectionMedia media = ConnectionMedia::Other;
};

// One network connection as the system's connection folder lists it.
class NetworkConnection {
public:
    virtual ~NetworkConnection() = default;
    NetworkConnection() = default;
    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;

    // Reads the connection's properties and releases them again.
    virtual ConnectionCallResult ReadProperties() = 0;
    // What the last successful ReadProperties found; defaults before one.
    virtual ConnectionProperties Properties() const = 0;
    // Both return when the connection has been switched; failures are not told.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
};

// The connections, handed out one per request.
class ConnectionEnumeration {
public:
    virtual ~ConnectionEnumeration() = default;
    ConnectionEnumeration() = default;
    ConnectionEnumeration(const ConnectionEnumeration&) = delete;
    ConnectionEnumeration& operator=(const ConnectionEnumeration&) = delete;

    // Null when the enumeration does not deliver exactly one more connection.
    virtual std::unique_ptr<NetworkConnection> Next() = 0;
};

// The connection manager. It holds the calling thread's component library
// initialisation: everything it hands out must be released before it.
class ConnectionManager {
public:
    virtual ~ConnectionManager() = default;
    ConnectionManager() = default;
    ConnectionManager(const ConnectionManager&) = delete;
    ConnectionManager& operator=(const ConnectionManager&) = delete;

    // The default enumeration; null when it cannot be had.
    virtual std::unique_ptr<ConnectionEnumeration> EnumConnections() = 0;
};

class NetworkConnections {
public:
    virtual ~NetworkConnections() = default;
    NetworkConnections() = default;
    NetworkConnections(const NetworkConnections&) = delete;
    NetworkConnections& operator=(const NetworkConnections&) = delete;

    // Initialises the component library for the calling thread and creates
    // the manager; null (with the library shut down again) when the manager
    // cannot be created.
    virtual std::unique_ptr<ConnectionManager> CreateManager() = 0;
};

}  // namespace plover
