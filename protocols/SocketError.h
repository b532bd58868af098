#pragma once

#include <stdexcept>
#include <string>

namespace plover {

// A failed call of the socket layer, with the system's error code and text.
class ESocketError : public std::runtime_error {
public:
    ESocketError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

}  // namespace plover
