#include "measure/bench/LabComputerModel.h"

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
    static const std::map<std::string, std::string> names{{LAB_VENDOR_HOST, LAB_VENDOR_WEB},
                                                          {LAB_SEARCH_HOST, LAB_SEARCH_WEB}};
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
                             "127.0.0.1       localhost\r\n" LAB_PRINTER "      printer.home\r\n");
    // Wine's firewall manager answers "off".
    machine.firewall.enabled = false;

    // Wine reports the namespace's interface with DHCP on; the registry holds
    // what a DHCP adapter on Windows holds.
    machine.adapters.SetTable({standin::Adapter(LabAdapterName, "lan0", true, LAB_GATEWAY,
                                                {{LAB_PC_ADDRESS, LAB_MASK}})});
    const std::string key = std::string(InterfacesKeyPath) + LabAdapterName;
    machine.registry.SetDword(HKLM, key, "EnableDHCP", 1);
    machine.registry.SetMultiString(HKLM, key, "IPAddress", {"0.0.0.0"});
    machine.registry.SetMultiString(HKLM, key, "SubnetMask", {"0.0.0.0"});
    machine.registry.SetMultiString(HKLM, key, "DefaultGateway", {});
    machine.registry.SetString(HKLM, key, "NameServer", "");
    machine.registry.SetString(HKLM, key, "DhcpIPAddress", LAB_PC_ADDRESS);
    machine.registry.SetString(HKLM, key, "DhcpSubnetMask", LAB_MASK);
    machine.registry.SetString(HKLM, key, "DhcpServer", LAB_GATEWAY);
    machine.registry.SetMultiString(HKLM, key, "DhcpDefaultGateway", {LAB_GATEWAY});
    machine.registry.SetString(HKLM, key, "DhcpNameServer", LAB_ADAPTER_DNS);
    machine.registry.SetDword(HKCU, InternetSettings, "ProxyEnable", path == "proxy-on" ? 1 : 0);
    machine.registry.SetString(HKCU, InternetSettings, "ProxyServer", LAB_PROXY);

    // Everything outside the lab's own subnet is the router's, and answers.
    for (const char* host : {"127.0.0.1", LAB_PC_ADDRESS, LAB_GATEWAY, LAB_ISP_PROBE, LAB_SECOND_ISP_PROBE,
                             LAB_VENDOR_WEB, LAB_SEARCH_WEB}) {
        machine.sockets.AnswerEcho(host);
    }
    std::vector<std::string> servers{LAB_RESELLER_DNS, LAB_SECOND_RESELLER_DNS};
    if (path != "dead-dns") servers.push_back(LAB_ADAPTER_DNS);
    for (const std::string& server : servers) {
        machine.sockets.ScriptDnsServer(server, 53, [](const std::string& query) {
            std::string answer = LabDnsAnswer(query);
            return answer.empty() ? std::nullopt : std::optional<std::string>(std::move(answer));
        });
    }
    machine.http.SetPage(TWinHTTP::CompleteUrl(LAB_VENDOR_WEB),
                         "<html><head><title>" LAB_VENDOR_TITLE "</title></head><body>lab</body></html>");
    machine.http.SetPage(TWinHTTP::CompleteUrl(LAB_SEARCH_WEB),
                         "<html><head><title>" LAB_SEARCH_TITLE "</title></head><body>lab</body></html>");
}

}  // namespace plover::bench
