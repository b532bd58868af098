#include "protocols/DnsUdpConnection.h"

#include <algorithm>

#include "protocols/DnsErrors.h"
#include "protocols/Ipv4Text.h"

namespace plover {

namespace {
// Datagrams passed over (empty, or turned down by the caller) before the read
// gives up: the clock of a virtual machine does not move while a real socket
// waits, and a peer that floods must not keep the read going.
constexpr int MaxPassedOverDatagrams = 16;
}  // namespace

void TclUdpClientConnection::RaiseSocketError(int code) {
    throw EclSocketError(sockets_.ErrorText(code), code);
}

void TclUdpClientConnection::SetBatchSize(int size) {
    if (size < 1) throw EclSocketError(cBatchSizeInvalid, -1);
    batchSize_ = size;
}

void TclUdpClientConnection::Open(const std::string& server, int port) {
    const auto address = ParseDottedIpv4(server);
    if (!address) throw EclSocketError(cInvalidAddress, -1);
    if (port <= 0 || port > 65535) throw EclSocketError(cInvalidPort, -1);
    int error = 0;
    auto socket = sockets_.OpenUdp(error);
    if (!socket) RaiseSocketError(error);
    error = socket->Connect(*address, static_cast<uint16_t>(port));
    if (error != 0) RaiseSocketError(error);
    socket_ = std::move(socket);
}

void TclUdpClientConnection::WriteData(const std::vector<uint8_t>& data) {
    size_t offset = 0;
    while (offset < data.size()) {
        const size_t piece = std::min(data.size() - offset, static_cast<size_t>(batchSize_));
        const SocketResult sent = socket_->Send(data.data() + offset, piece);
        if (sent.error != 0) RaiseSocketError(sent.error);
        // A socket that takes nothing would keep this loop going for ever.
        if (sent.bytes == 0) throw EclSocketError(cTimeoutOccured, -1);
        offset += sent.bytes;
    }
}

std::vector<uint8_t> TclUdpClientConnection::ReadData(const DatagramFilter& accept) {
    const uint32_t limit = static_cast<uint32_t>(std::max(TimeOut, 0));
    const uint32_t start = clock_.TickCount();
    const size_t capacity = static_cast<size_t>(batchSize_);
    std::vector<uint8_t> buffer(capacity);
    for (int passed = 0; passed <= MaxPassedOverDatagrams; ++passed) {
        const uint32_t elapsed = clock_.TickCount() - start;
        if (elapsed > limit) break;
        // A run asked to stop waits no longer: the lookup times out at once.
        const WaitResult wait = socket_->WaitReadable(limit - elapsed, clock_.StopRequest());
        if (wait.error != 0) RaiseSocketError(wait.error);
        if (!wait.readable) break;
        const SocketResult read = socket_->Receive(buffer.data(), buffer.size());
        if (read.error != 0) RaiseSocketError(read.error);
        if (read.bytes == 0) continue;
        buffer.resize(read.bytes);
        if (accept(buffer)) return buffer;
        buffer.resize(capacity);
    }
    throw EclSocketError(cTimeoutOccured, -1);
}

void TclUdpClientConnection::Close() {
    if (!socket_) return;
    socket_->Shutdown();
    socket_.reset();
}

}  // namespace plover
