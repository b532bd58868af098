#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Sockets.h"

namespace plover {

// A connected UDP socket that sends one message and takes one datagram back
// within a time-out. Raises EclSocketError for every transport failure; the
// socket is shut down and closed when the connection ends.
class TclUdpClientConnection {
public:
    TclUdpClientConnection(Sockets& sockets, Clock& clock) : sockets_(sockets), clock_(clock) {}
    ~TclUdpClientConnection() { Close(); }
    TclUdpClientConnection(const TclUdpClientConnection&) = delete;
    TclUdpClientConnection& operator=(const TclUdpClientConnection&) = delete;

    int TimeOut = 5000;  // milliseconds
    int BatchSize() const { return batchSize_; }
    void SetBatchSize(int size);

    // The server must be a dotted IPv4 address and the port 1 to 65535.
    void Open(const std::string& server, int port);
    // Sends in pieces of at most the batch size.
    void WriteData(const std::vector<uint8_t>& data);
    // One datagram of at most the batch size that accept takes. Empty
    // datagrams and those accept turns down are passed over, a bounded
    // number of them, and the wait for the right one stays within the same
    // time-out.
    using DatagramFilter = std::function<bool(const std::vector<uint8_t>& datagram)>;
    std::vector<uint8_t> ReadData(const DatagramFilter& accept);
    void Close();

private:
    [[noreturn]] void RaiseSocketError(int code);

    Sockets& sockets_;
    Clock& clock_;
    int batchSize_ = 8192;
    std::unique_ptr<Socket> socket_;
};

}  // namespace plover
