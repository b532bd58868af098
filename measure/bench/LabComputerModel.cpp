#include "measure/bench/LabComputerModel.h"

#include <map>

#include "protocols/HttpComponent.h"
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

}  // namespace

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
    machine.adapters.SetTable({standin::Adapter(LAB_ADAPTER_NAME, "lan0", true, LAB_GATEWAY,
                                                {{LAB_PC_ADDRESS, LAB_MASK}})});
    const std::string key = std::string(InterfacesKeyPath) + LAB_ADAPTER_NAME;
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
    for (const char* host : {"127.0.0.1", LAB_PC_ADDRESS, LAB_GATEWAY, LAB_ISP_PROBE,
                             LAB_SECOND_ISP_PROBE, LAB_VENDOR_WEB, LAB_SEARCH_WEB}) {
        machine.sockets.AnswerEcho(host);
    }
    std::vector<std::string> servers{LAB_RESELLER_DNS, LAB_SECOND_RESELLER_DNS};
    if (path != "dead-dns") servers.push_back(LAB_ADAPTER_DNS);
    for (const std::string& server : servers) machine.sockets.ServeDnsZone(server, LabNames());
    machine.http.SetPage(TWinHTTP::CompleteUrl(LAB_VENDOR_WEB),
                         "<html><head><title>" LAB_VENDOR_TITLE
                         "</title></head><body>lab</body></html>");
    machine.http.SetPage(TWinHTTP::CompleteUrl(LAB_SEARCH_WEB),
                         "<html><head><title>" LAB_SEARCH_TITLE
                         "</title></head><body>lab</body></html>");
}

}  // namespace plover::bench
