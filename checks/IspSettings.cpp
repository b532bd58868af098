#include "checks/IspSettings.h"

#include "system/Log.h"

namespace plover {

bool TISPSettings::CheckIsp() {
    WriteLog(os_, "ISP check", "");
    // Both are pinged, so the log always shows how each probe fared.
    const bool primary = pinger_.PingHost(IspProbeAddress);
    const bool second = pinger_.PingHost(SecondIspProbeAddress);
    return primary || second;
}

}  // namespace plover
