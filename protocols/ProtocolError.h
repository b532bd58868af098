#pragma once

#include <stdexcept>
#include <string>

namespace plover {

// What a protocol client raises: the text of the failure and an integer code
// (the socket layer's error code, a DNS reply code, what an echo reply
// carried, or -1 or 0 where there is none). Only the protocol clients raise
// errors, and the page transport under the page component for a failure it
// did not expect; whoever calls them catches every error and turns it into a
// failed check, so that none crosses a stage or leaves a thread.
class ProtocolError : public std::runtime_error {
public:
    ProtocolError(const std::string& message, int errorCode)
        : std::runtime_error(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

}  // namespace plover
