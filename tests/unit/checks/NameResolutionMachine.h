#pragma once

#include <map>
#include <string>

#include "app/PageService.h"
#include "app/PingService.h"
#include "checks/NameResolution.h"
#include "system/RegistryHelpers.h"
#include "tests/standin/FakeWindowThread.h"
#include "tests/standin/FakeWindows.h"

namespace plover::checkstest {

using Lines = std::vector<std::string>;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
inline const std::string KeyA = std::string(InterfacesKeyPath) + "{A}";
inline const std::string EtcFolder = "C:\\WINDOWS\\system32\\drivers\\etc";
inline const std::string HostsPath = EtcFolder + "\\hosts";
inline const std::string Vendor = TNameResolution::VendorProbeHost;
inline const std::string Search = TNameResolution::SearchProbeHost;

// An XP machine whose adapter {A} has a usable gateway and the DNS server
// 10.0.0.53, with the window's real echo check and page component.
struct NameResolutionMachine {
    NameResolutionMachine() {
        machine.adapters.SetTable({standin::Adapter("{A}", "Ethernet", false, "192.168.1.1",
                                                    {{"192.168.1.10", "255.255.255.0"}})});
        machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.53");
        ServeDns("10.0.0.53", adapterZone);
    }
    void ServeDns(const std::string& server, const std::map<std::string, std::string>& zone) {
        machine.sockets.ServeDnsZone(server, zone);
    }
    void ServePage(const std::string& address, const std::string& body) {
        machine.http.SetPage("http://" + address, body);
    }
    void EverythingWorks() {
        adapterZone = {{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
        ServePage("10.1.1.1", "<title>Brackenfield &raquo; Guaranteed Computer Protection</title>");
        ServePage("10.2.2.2", "<title>Google</title>");
    }

    standin::FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    PingService ping{machine.Os()};
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    PageService pages{machine.http, window, machine.clock};
    std::string ProviderDnsServers = "10.8.8.8,10.8.8.9";
    TNameResolution names{machine.Os(), settings, ping, pages, ProviderDnsServers};
    std::map<std::string, std::string> adapterZone;
};

}  // namespace plover::checkstest
