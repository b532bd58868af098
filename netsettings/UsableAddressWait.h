#pragma once

#include <cstdint>
#include <functional>

#include "platform/Platform.h"

namespace plover {

// After a restart the log-on start often comes before the network has its
// address; a run started then would find no address and fail at once.
constexpr uint32_t UsableAddressWaitMilliseconds = 30000;
constexpr uint32_t UsableAddressLookPauseMilliseconds = 500;

// Looks at the adapter table until some adapter holds a usable address, at
// most UsableAddressWaitMilliseconds of pauses. After each pause goOn runs
// (the window answers its messages there) and ends the wait when it says
// false. True when an address was found.
bool WaitForUsableAddress(const Platform& os, const std::function<bool()>& goOn);

}  // namespace plover
