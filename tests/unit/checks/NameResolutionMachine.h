#pragma once

#include <map>
#include <optional>
#include <string>

#include "app/PageService.h"
#include "app/PingService.h"
#include "checks/NameResolution.h"
#include "system/RegistryHelpers.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/support/Hex.h"
#include "tests/unit/support/WindowThread.h"

namespace plover::checkstest {

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
inline const std::string KeyA = std::string(InterfacesKeyPath) + "{A}";
inline const std::string EtcFolder = "C:\\WINDOWS\\system32\\drivers\\etc";
inline const std::string HostsPath = EtcFolder + "\\hosts";
inline const std::string BackupPath = EtcFolder + "\\Hosts_OLD.txt";
inline const std::string VendorPage =
    "<title>Brackenfield &raquo; Guaranteed Computer Protection</title>";
inline const std::string SearchPage = "<title>Google</title>";
inline const std::string Vendor = TNameResolution::VendorProbeHost;
inline const std::string Search = TNameResolution::SearchProbeHost;

// A DNS server that knows a few names: the question's name read from the
// query, an A record for a known one, "no such name" for the rest.
class DnsZone {
public:
    std::map<std::string, std::string> addresses;  // name -> dotted address

    std::optional<std::string> Answer(const std::string& query) const {
        std::string name;
        for (size_t pos = 12; pos < query.size() && query[pos] != 0; pos += query[pos] + 1) {
            if (!name.empty()) name += '.';
            name += query.substr(pos + 1, static_cast<unsigned char>(query[pos]));
        }
        const auto it = addresses.find(name);
        const std::string question = query.substr(12);
        if (it == addresses.end()) {
            return query.substr(0, 2) + testing::FromHex("8183 0001 0000 0000 0000") + question;
        }
        unsigned a, b, c, d;
        std::sscanf(it->second.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
        const std::string record = testing::FromHex("c00c 0001 0001 00000e10 0004") +
                                   std::string{char(a), char(b), char(c), char(d)};
        return query.substr(0, 2) + testing::FromHex("8180 0001 0001 0000 0000") + question +
               record;
    }
};

// An XP machine whose one adapter {A} has a usable gateway and the DNS
// server 10.0.0.53, with the window's echo check and page component as
// the check uses them.
class NameResolutionMachine {
public:
    NameResolutionMachine() {
        machine.adapters.SetTable({standin::Adapter("{A}", "Ethernet", false, "192.168.1.1",
                                                    {{"192.168.1.10", "255.255.255.0"}})});
        machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.53");
        ServeDns("10.0.0.53", adapterZone);
    }

    void ServeDns(const std::string& server, const DnsZone& zone) {
        machine.sockets.ScriptDnsServer(server, 53,
                                        [&zone](const std::string& q) { return zone.Answer(q); });
    }
    void ServePage(const std::string& address, const std::string& body) {
        machine.http.SetPage("http://" + address, body);
    }
    // Both probe hosts resolve through the adapter's server and show their pages.
    void EverythingWorks() {
        adapterZone.addresses = {{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
        ServePage("10.1.1.1", VendorPage);
        ServePage("10.2.2.2", SearchPage);
    }

    standin::FakeWindows machine;
    SettingsSnapshot snapshot;
    TNetworkSettings settings{machine.Os(), snapshot};
    PingService ping{machine.Os()};
    testing::WindowThread window;
    PageService pages{machine.http, window, machine.clock};
    std::string ProviderDnsServers = "10.8.8.8,10.8.8.9";
    TNameResolution names{machine.Os(), settings, ping, pages, ProviderDnsServers};
    DnsZone adapterZone;
};

}  // namespace plover::checkstest
