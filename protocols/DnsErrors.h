#pragma once

#include "protocols/ProtocolError.h"

namespace plover {

// The DNS client's errors.
class EclError : public ProtocolError {
public:
    using ProtocolError::ProtocolError;
};

// A failure of the DNS exchange itself or of the server's answer.
class EclDnsError : public EclError {
public:
    using EclError::EclError;
};

// A failure of the transport.
class EclSocketError : public EclError {
public:
    using EclError::EclError;
};

constexpr const char* cDnsDatagramInvalid = "The size of the datagram is invalid";
constexpr const char* cDnsFormatError = "Format error";
constexpr const char* cDnsServerFailure = "Server failure";
constexpr const char* cDnsNameError = "No such name";
constexpr const char* cDnsNotImplemented = "Not implemented";
constexpr const char* cDnsRefused = "Refused";
constexpr const char* cDnsUnspecifiedError = "Unspecified error";
constexpr const char* cInvalidAddress = "Invalid host address";
constexpr const char* cInvalidPort = "Invalid port number";
constexpr const char* cTimeoutOccured = "Timeout error occured";
constexpr const char* cBatchSizeInvalid = "Invalid Batch Size";

// A malformed message: too long, or shorter than its header; inside the
// message, a record cut short, a count larger than the records present, a
// name or record data leaving the message, a compression pointer that does
// not point backwards. The parser keeps the whole records before the damage;
// a lookup whose damaged reply holds no address raises this.
[[noreturn]] inline void RaiseDatagramInvalid() { throw EclDnsError(cDnsDatagramInvalid, -1); }

}  // namespace plover
