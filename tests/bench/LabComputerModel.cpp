#include "tests/bench/LabComputerModel.h"

#include <cstdint>
#include <map>

#include "protocols/HttpComponent.h"
#include "protocols/Ipv4Text.h"
#include "system/RegistryHelpers.h"

namespace plover::bench {

namespace {

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
const std::string InternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

const std::map<std::string, std::string>& LabNames() {
    static const std::map<std::string, std::string> names{{"www.brackenfield.com", lab::VendorWeb},
                                                          {"www.google.com", lab::SearchWeb}};
    return names;
}

// The question's name, read label by label (RFC 1035 section 4.1.2); empty
// when the query is not one plain question.
std::string QuestionName(const std::string& query, size_t& end) {
    std::string name;
    size_t at = 12;
    while (at < query.size()) {
        const auto length = static_cast<uint8_t>(query[at]);
        if (length == 0) {
            end = at + 5;  // the zero byte, QTYPE and QCLASS
            return end <= query.size() ? name : std::string();
        }
        if (length > 63 || at + 1 + length > query.size()) return {};
        if (!name.empty()) name += '.';
        name.append(query, at + 1, length);
        at += 1 + length;
    }
    return {};
}

}  // namespace

std::string LabDnsAnswer(const std::string& query) {
    size_t questionEnd = 0;
    const std::string name = QuestionName(query, questionEnd);
    if (name.empty()) return {};
    std::string reply = query.substr(0, questionEnd);
    const auto known = LabNames().find(name);
    reply[2] = '\x81';  // a response to a recursive query (RFC 1035 section 4.1.1)
    reply[3] = known == LabNames().end() ? '\x83' : '\x80';
    reply[6] = 0;
    reply[7] = known == LabNames().end() ? 0 : 1;
    for (size_t i = 8; i < 12; ++i) reply[i] = 0;
    if (known == LabNames().end()) return reply;
    // One address record named by a pointer to the question.
    reply += std::string("\xc0\x0c\x00\x01\x00\x01\x00\x00\x00\x00\x00\x04", 12);
    const Ipv4Address address = *ParseDottedIpv4(known->second);
    for (uint8_t byte : address) reply += static_cast<char>(byte);
    return reply;
}

bool IsLabPath(const std::string& path) {
    return path == "healthy" || path == "proxy-on" || path == "dead-dns";
}

void BuildLabComputer(standin::FakeWindows& machine, const std::string& path) {
    // Wine's default prefix: Windows 7 with Service Pack 1, root's folders.
    machine.SetVersion(6, 1, "Service Pack 1");
    machine.system.tempPath = "C:\\users\\root\\Temp\\";
    machine.system.systemDirectory = "C:\\windows\\system32";
    machine.system.environment["windir"] = "C:\\windows";
    machine.system.currentDirectory = "C:\\PloverTool";
    machine.system.executablePath = "C:\\PloverTool\\PloverTool.exe";
    machine.files.AddFolder(machine.system.tempPath);
    machine.files.AddFolder("C:\\PloverTool");
    machine.files.AddFolder("C:\\windows\\system32\\drivers\\etc");
    machine.files.SetContent("C:\\windows\\system32\\drivers\\etc\\hosts",
                             "# Hosts file of the lab computer.\r\n"
                             "127.0.0.1       localhost\r\n"
                             "10.77.0.20      printer.home\r\n");
    // Wine's firewall manager answers "off".
    machine.firewall.enabled = false;

    // Wine reports the namespace's interface with DHCP on; the registry holds
    // what a DHCP adapter on Windows holds.
    machine.adapters.SetTable({standin::Adapter(lab::AdapterName, "lan0", true, lab::Gateway,
                                                {{lab::Address, lab::Mask}})});
    const std::string key = std::string(InterfacesKeyPath) + lab::AdapterName;
    machine.registry.SetDword(HKLM, key, "EnableDHCP", 1);
    machine.registry.SetMultiString(HKLM, key, "IPAddress", {"0.0.0.0"});
    machine.registry.SetMultiString(HKLM, key, "SubnetMask", {"0.0.0.0"});
    machine.registry.SetMultiString(HKLM, key, "DefaultGateway", {});
    machine.registry.SetString(HKLM, key, "NameServer", "");
    machine.registry.SetString(HKLM, key, "DhcpIPAddress", lab::Address);
    machine.registry.SetString(HKLM, key, "DhcpSubnetMask", lab::Mask);
    machine.registry.SetString(HKLM, key, "DhcpServer", lab::Gateway);
    machine.registry.SetMultiString(HKLM, key, "DhcpDefaultGateway", {lab::Gateway});
    machine.registry.SetString(HKLM, key, "DhcpNameServer", lab::AdapterDns);
    machine.registry.SetDword(HKCU, InternetSettings, "ProxyEnable", path == "proxy-on" ? 1 : 0);
    machine.registry.SetString(HKCU, InternetSettings, "ProxyServer", "10.77.0.8:3128");

    // Everything outside the lab's own subnet is the router's, and answers.
    for (const char* host : {"127.0.0.1", lab::Address, lab::Gateway, "198.41.0.4", "4.2.2.2",
                             lab::VendorWeb, lab::SearchWeb}) {
        machine.sockets.AnswerEcho(host);
    }
    std::vector<std::string> servers{lab::ResellerDns, lab::SecondResellerDns};
    if (path != "dead-dns") servers.push_back(lab::AdapterDns);
    for (const std::string& server : servers) {
        machine.sockets.ScriptDnsServer(server, 53, [](const std::string& query) {
            std::string answer = LabDnsAnswer(query);
            return answer.empty() ? std::nullopt : std::optional<std::string>(std::move(answer));
        });
    }
    machine.http.SetPage(TWinHTTP::CompleteUrl(lab::VendorWeb),
                         "<html><head><title>Brackenfield &raquo; Guaranteed Computer "
                         "Protection</title></head><body>Brackenfield</body></html>");
    machine.http.SetPage(TWinHTTP::CompleteUrl(lab::SearchWeb),
                         "<html><head><title>Google</title></head><body>Search</body></html>");
}

}  // namespace plover::bench
