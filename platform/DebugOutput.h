#pragma once

#include <string_view>

namespace plover {

// The debugger's output channel (OutputDebugString on Windows).
class DebugOutput {
public:
    virtual ~DebugOutput() = default;
    virtual void Output(std::string_view text) = 0;
};

}  // namespace plover
