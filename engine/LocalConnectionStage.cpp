#include "engine/LocalConnectionStage.h"

#include <string>

#include "engine/DhcpSwitchPutBack.h"
#include "engine/RestartRepair.h"
#include "system/Log.h"

namespace plover {

namespace {

constexpr uint32_t AfterPassMs = 1000;
constexpr uint32_t AfterAddressRepairMs = 1000;
// The gateway needs longer than an address to come back after the switch.
constexpr uint32_t AfterGatewayRepairMs = 5000;
constexpr const char* Step = "checking local connection step";
constexpr const char* StepWithBlank = "checking local connection step ";
constexpr const char* StepFailed = "checking local connection step - fail";

bool SwitchToDhcp(ComputationalThread& thread, TNetworkSettings& NetworkSettings) {
    return thread.Repair("SwitchToDhcp", [&] { NetworkSettings.SwitchToDhcp(); });
}

// False when the stage has ended: the restart repair ends the run whatever
// its outcome.
bool CheckLoopback(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                   TLocalConnection& LocalConnection) {
    const Platform& os = thread.Os();
    if (LocalConnection.PingLocalHost()) {
        os.clock.Sleep(AfterPassMs);
        WriteLog(os, StepWithBlank, "ping on 127.0.0.1 -pass");
        return true;
    }
    // Nothing lighter repairs a stack that does not answer on its own
    // loopback address.
    RunRestartRepair(thread, NetworkSettings, RestartRepairForm::Loopback);
    return false;
}

bool CheckLocalAddresses(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                         TLocalConnection& LocalConnection) {
    const Platform& os = thread.Os();
    if (LocalConnection.PingLocalAddress()) {
        os.clock.Sleep(AfterPassMs);
        WriteLog(os, Step, "ping pass on local IP address - pass");
        return true;
    }
    if (thread.Terminated()) return false;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "checking local connection step - invalid IP address ", "try to repair");
    if (!SwitchToDhcp(thread, NetworkSettings)) return false;
    os.clock.Sleep(AfterAddressRepairMs);
    if (LocalConnection.PingLocalAddress()) {
        NetworkSettings.KeepDhcpSwitch();
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, "checking local connection step - pass", "IP address was repaired");
        return true;
    }
    // The restart repair keeps the switch only when the computer restarts.
    RunRestartRepair(thread, NetworkSettings, RestartRepairForm::LocalAddress);
    return false;
}

bool CheckGatewaySubnet(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                        TLocalConnection& LocalConnection) {
    const Platform& os = thread.Os();
    WriteLog(os, Step, "check subnet");
    if (LocalConnection.CheckSubnet()) {
        WriteLog(os, Step, "Default gateway is on the same subnet as IP address -pass");
        os.clock.Sleep(AfterPassMs);
        return true;
    }
    if (thread.Terminated()) return false;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, Step, "Default gateway exists and is on the same subnet as IP address - fail");
    if (!SwitchToDhcp(thread, NetworkSettings)) return false;
    os.clock.Sleep(AfterAddressRepairMs);
    if (LocalConnection.CheckSubnet()) {
        NetworkSettings.KeepDhcpSwitch();
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, Step, "Default gateway is on the same subnet as IP address -repaired");
        return true;
    }
    PutBackDhcpSwitch(thread, NetworkSettings);
    if (thread.FailStage(&RunDisplay::ShowNoInternetFailure)) {
        WriteLog(os, StepFailed, "Default gateway is not on the same subnet as IP address");
    }
    return false;
}

// The window's closing switches the firewall back on only when a run marked
// that it switched it off; the mark is made within the repair, so a close
// that waits for the run finds it.
void SwitchFirewallOff(ComputationalThread& thread, TFirewallOperations& FirewallOperations) {
    thread.Repair("DisableFirewall", [&] {
        if (FirewallOperations.DisableFirewall()) thread.Display().SetFirewallWasDisabled();
    });
}

// An empty text means the registry knows no gateway. It is not pinged: the
// host-name lookup answers an empty name with this computer's own address,
// whose echo would pass for the gateway's.
bool PingRegistryGateway(const std::string& gateway, HostPinger& pinger) {
    return !gateway.empty() && pinger.PingHost(gateway);
}

void CheckGateway(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                  TLocalConnection& LocalConnection, TFirewallOperations& FirewallOperations,
                  HostPinger& pinger) {
    const Platform& os = thread.Os();
    // A router that drops echo requests still answers a connection attempt:
    // it is there, and the firewall is left alone.
    bool ok = LocalConnection.PingGateway() || LocalConnection.GatewayAnswersTcp();
    if (!ok) {
        if (thread.Terminated()) return;
        WriteLog(os, Step, "ping gatewaw- disable firewall");
        SwitchFirewallOff(thread, FirewallOperations);
        ok = LocalConnection.PingGateway();
    }
    if (ok) {
        os.clock.Sleep(AfterPassMs);
        return;
    }
    if (thread.Terminated()) return;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, StepWithBlank, "ping gatewaw fail");
    if (!SwitchToDhcp(thread, NetworkSettings)) return;
    os.clock.Sleep(AfterGatewayRepairMs);
    SwitchFirewallOff(thread, FirewallOperations);
    // The switch is judged by the same signs of life as the gateway before it.
    ok = LocalConnection.PingGateway() || LocalConnection.GatewayAnswersTcp();
    if (!ok) {
        const std::string gateway = NetworkSettings.GetGatewayFromRegistry();
        WriteLog(os, "gateway from registry", gateway);
        ok = PingRegistryGateway(gateway, pinger);
    }
    if (!ok) {
        PutBackDhcpSwitch(thread, NetworkSettings);
        if (thread.FailStage(&RunDisplay::ShowRouterMessage)) {
            WriteLog(os, StepFailed, "ping on gateway - fail");
        }
        return;
    }
    NetworkSettings.KeepDhcpSwitch();
    thread.Synchronize(&RunDisplay::ResumeStagesPanel);
    WriteLog(os, StepFailed, "ping on gateway - repaired");
}

}  // namespace

void RunLocalConnectionStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                             TLocalConnection& LocalConnection,
                             TFirewallOperations& FirewallOperations, HostPinger& pinger) {
    WriteLog(thread.Os(), "start checking local connection step", "");
    const bool goOn = CheckLoopback(thread, NetworkSettings, LocalConnection) &&
                      CheckLocalAddresses(thread, NetworkSettings, LocalConnection) &&
                      CheckGatewaySubnet(thread, NetworkSettings, LocalConnection);
    if (goOn) CheckGateway(thread, NetworkSettings, LocalConnection, FirewallOperations, pinger);
}

}  // namespace plover
