#pragma once

#include <functional>

namespace plover {

// Runs an operation on the window's thread and blocks the caller until it has
// returned (SendMessage of a private message on Windows).
class Synchronizer {
public:
    virtual ~Synchronizer() = default;
    virtual void Synchronize(const std::function<void()>& operation) = 0;
};

}  // namespace plover
