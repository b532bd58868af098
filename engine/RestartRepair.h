#pragma once

#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"

namespace plover {

// Where the restart repair runs; its log entries and failure panel differ.
enum class RestartRepairForm {
    NetworkSettings,  // stage 1: no usable address after the renewal
    Loopback,         // stage 2: the loopback address does not answer
    LocalAddress,     // stage 2: the adapters' own addresses stay unreachable
};

// The heaviest repair: the Winsock reset, then the restart question. It
// always ends the run: on the form's failure panel when the reset may not
// run, is not needed or the restart is declined, or without a panel when the
// computer is restarting.
void RunRestartRepair(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                      RestartRepairForm form);

}  // namespace plover
