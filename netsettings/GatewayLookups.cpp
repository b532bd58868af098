#include <string>

#include "netsettings/AddressRules.h"
#include "netsettings/NetworkSettings.h"
#include "system/Log.h"
#include "system/RegistryHelpers.h"

namespace plover {

namespace {

constexpr const char* StaticGatewayValue = "DefaultGateway";
constexpr const char* DhcpGatewayValue = "DhcpDefaultGateway";
constexpr uint32_t MissingGatewayPauseMs = 3000;
constexpr int KeyAttempts = 100;
constexpr uint32_t AttemptPauseMs = 100;

std::string ReadGatewayText(const Platform& os, const std::string& path, const char* value) {
    return RegReadMultiString(os, RegistryRoot::LocalMachine, path, value);
}

}  // namespace

std::string TNetworkSettings::GetGatewayFromRegistry() {
    WriteLog(os_, "get gateway from registry", "");
    std::string result;
    RefreshAdapters();
    for (const AdapterDetails& record : Adapters_) {
        const std::string path = InterfaceKeyPath(record.AdapterName);
        auto key = OpenInterfaceKey(os_, path);
        if (!key) continue;
        if (!key->ValueExists(DhcpGatewayValue)) {
            os_.clock.Sleep(MissingGatewayPauseMs);
            WriteLog(os_, "gateway from registry" + path, "not exist");
            continue;
        }
        const std::string gateway = ReadGatewayText(os_, path, DhcpGatewayValue);
        if (IsUsableGateway(gateway)) {
            result = gateway;
            WriteLog(os_, "gateway from registry" + path, "ret");
            break;
        }
    }
    WriteLog(os_, "get gateway from registry: ", result);
    return result;
}

std::string TNetworkSettings::FindGatewayInterfaceKey() {
    std::string result = GatewayKeyRetry;
    int attemptsLeft = KeyAttempts;
    RefreshAdapters();
    WriteLog(os_, "read registry key for gateway", "");
    // A run asked to stop looks no further: its pauses no longer wait, and
    // the attempts would only fill the log.
    while (result == GatewayKeyRetry && attemptsLeft > 0 && !StopRequested(os_.clock)) {
        os_.clock.Sleep(AttemptPauseMs);
        for (const AdapterDetails& record : Adapters_) {
            WriteLog(os_, "adapter", record.AdapterName);
            const std::string path = InterfaceKeyPath(record.AdapterName);
            if (record.GatewayValid) {
                result = path;
                break;
            }
            WriteLog(os_, "open reg key name", path);
            auto key = OpenInterfaceKey(os_, path);
            if (!key) {
                WriteLog(os_, "not opened reg key name", path);
                continue;
            }
            const bool hasStatic = key->ValueExists(StaticGatewayValue);
            const bool hasDhcp = key->ValueExists(DhcpGatewayValue);
            if (!hasStatic && !hasDhcp) WriteLog(os_, "gateway values not exist", "");

            if (hasStatic) {
                WriteLog(os_, "reading gateway from registry", "");
                const std::string gateway = ReadGatewayText(os_, path, StaticGatewayValue);
                if (IsUsableGateway(gateway)) {
                    WriteLog(os_, "reading gateway from registry", gateway);
                    result = path;
                    continue;
                }
            }
            WriteLog(os_, "reading dhcp default gateway from registry", "");
            if (hasDhcp) {
                WriteLog(os_, "reading default gateway from registry", "");
                const std::string gateway = ReadGatewayText(os_, path, DhcpGatewayValue);
                WriteLog(os_, "reading dhcp default gateway from registry", gateway);
                result = IsUsableGateway(gateway) ? path : GatewayKeyRetry;
            } else {
                WriteLog(os_, "dhcp default gateway not exist", "");
                result = GatewayKeyRetry;
            }
        }
        --attemptsLeft;
    }
    WriteLog(os_, "returned registry key for gateway: ", result);
    return result;
}

}  // namespace plover
