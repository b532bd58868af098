#include "netsettings/UsableAddressWait.h"

#include <string>

#include "netsettings/AddressRules.h"
#include "system/Log.h"

namespace plover {

namespace {

// One look, asked the way the inventory asks, without its pauses or records.
bool AnyUsableAddress(AdapterTable& table) {
    const AdapterTableAnswer probe = table.ProbeSize(4);
    if (probe.result != AdapterTableResult::BufferOverflow) return false;
    const AdapterTableAnswer answer = table.Read(probe.requiredSize);
    if (answer.result != AdapterTableResult::Success) return false;
    for (const AdapterEntry& adapter : answer.adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            if (IsUsableAddress(address.address)) return true;
        }
    }
    return false;
}

}  // namespace

bool WaitForUsableAddress(const Platform& os, const std::function<bool()>& goOn) {
    for (uint32_t waited = 0;; waited += UsableAddressLookPauseMilliseconds) {
        if (AnyUsableAddress(os.adapters)) {
            if (waited > 0) WriteLog(os, "usable address after ms: ", std::to_string(waited));
            return true;
        }
        if (waited >= UsableAddressWaitMilliseconds) {
            WriteLog(os, "no usable address after ms: ", std::to_string(waited));
            return false;
        }
        os.clock.Sleep(UsableAddressLookPauseMilliseconds);
        if (!goOn()) return false;
    }
}

}  // namespace plover
