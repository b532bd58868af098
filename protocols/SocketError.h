#pragma once

#include "protocols/ProtocolError.h"

namespace plover {

// A failed call of the socket layer under the echo client, with the system's
// error text and code.
class ESocketError : public ProtocolError {
public:
    using ProtocolError::ProtocolError;
};

}  // namespace plover
