#include "checks/NameResolution.h"

#include <algorithm>
#include <cctype>

#include "checks/BrowserSettings.h"
#include "checks/HostsFile.h"
#include "netsettings/AddressRules.h"
#include "system/Log.h"
#include "system/ProgramRunner.h"
#include "system/RegistryHelpers.h"

namespace plover {

namespace {

constexpr const char* NameServerValue = "NameServer";
constexpr const char* DhcpNameServerValue = "DhcpNameServer";
constexpr const char* FlushCommand = "cmd.exe /cipconfig /flushdns";
constexpr const char* RegisterCommand = "cmd.exe /cipconfig /registerdns";

// Every spelling of 0.0.0.0 names no host: Windows refuses to connect there,
// other stacks connect to the computer itself.
bool NamesNoHost(const std::string& address) { return InetAddr(address) == 0; }

// The host part of an address with its scheme, lower case; empty for none.
std::string UrlHost(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return {};
    const size_t start = scheme + 3;
    const size_t end = url.find_first_of(":/?#", start);
    std::string host = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t user = host.rfind('@');
    if (user != std::string::npos) host.erase(0, user + 1);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

// Host names compare without letter case, and a trailing dot names the same host.
bool SameHostName(std::string a, std::string b) {
    for (std::string* name : {&a, &b}) {
        std::transform(name->begin(), name->end(), name->begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!name->empty() && name->back() == '.') name->pop_back();
    }
    return a == b;
}

std::string BackupName(int number) {
    return number == 0 ? "\\Hosts_OLD.txt" : "\\Hosts_OLD" + std::to_string(number) + ".txt";
}

}  // namespace

TNameResolution::TNameResolution(const Platform& os, TNetworkSettings& NetworkSettings,
                                 HostPinger& pinger, PageFetcher& pages,
                                 const std::string& ProviderDnsServers)
    : os_(os),
      NetworkSettings_(NetworkSettings),
      pinger_(pinger),
      pages_(pages),
      ProviderDnsServers_(ProviderDnsServers) {}

TNameResolution::~TNameResolution() = default;

bool TNameResolution::CheckNameResolution() {
    WriteLog(os_, "check name resolution", "");
    const std::vector<std::string> servers = GetAdapterDnsServers();
    SignInPageHost_.clear();
    HostsNamedProbe_ = false;
    const std::string vendorAddress = ResolveHostAddress(VendorProbeHost, servers);
    const bool vendorPage = CheckHostPage(VendorProbeHost, vendorAddress);
    const ProbeAnswer vendor = LastProbe_;
    const std::string searchAddress = ResolveHostAddress(SearchProbeHost, servers);
    const bool searchPage = CheckHostPage(SearchProbeHost, searchAddress);
    // A hosts file that sends both names to one server is the fault the
    // repairs are for, not the network's own page.
    if (vendorPage || searchPage || HostsNamedProbe_) return vendorPage || searchPage;
    SignInPageHost_ = NetworkPageHost(vendor, LastProbe_);
    if (!SignInPageHost_.empty()) WriteLog(os_, "network shows its own sign-in page", SignInPageHost_);
    return false;
}

std::string TNameResolution::NetworkPageHost(const ProbeAnswer& vendor,
                                             const ProbeAnswer& search) const {
    // Both redirected away from the host asked for: the network's own
    // server answers in every host's name.
    const std::string vendorTarget = UrlHost(vendor.page.redirectedTo);
    const std::string searchTarget = UrlHost(search.page.redirectedTo);
    if (!vendorTarget.empty() && !searchTarget.empty() &&
        !SameHostName(vendorTarget, VendorProbeHost) &&
        !SameHostName(searchTarget, SearchProbeHost)) {
        return vendorTarget;
    }
    // The same page, with neither title, for two different sites.
    if (vendor.page.loaded && search.page.loaded && !vendor.page.text.empty() &&
        vendor.page.text == search.page.text) {
        return vendor.address;
    }
    return {};
}

bool TNameResolution::ProxyShowsProbePage(const std::string& proxy) {
    for (const char* host : {VendorProbeHost, SearchProbeHost}) {
        if (PageThroughProxy(host, proxy)) return true;
    }
    return false;
}

bool TNameResolution::PageThroughProxy(const std::string& hostName, const std::string& proxy) {
    // The proxy looks the name up itself, as it does for the browser.
    const FetchedPage page = pages_.Fetch("http://" + hostName + "/", proxy);
    const bool passed = page.loaded && page.text.find(PageTitle(hostName)) != std::string::npos;
    WriteLog(os_, "page through proxy " + proxy, hostName + (passed ? " ok" : " failed"));
    return passed;
}

std::vector<std::string> TNameResolution::GetAdapterDnsServers() {
    WriteLog(os_, "begin getdns", "");
    const std::string path = NetworkSettings_.FindGatewayInterfaceKey();
    WriteLog(os_, "open reg key name", path);
    std::string server;
    if (auto key = OpenInterfaceKey(os_, path)) {
        WriteLog(os_, "opened key adapter", path);
        if (key->ValueExists(NameServerValue)) {
            server = RegReadString(os_, RegistryRoot::LocalMachine, path, NameServerValue);
            WriteLog(os_, "name server", server);
            if (server.empty() && key->ValueExists(DhcpNameServerValue)) {
                server = RegReadString(os_, RegistryRoot::LocalMachine, path, DhcpNameServerValue);
                WriteLog(os_, "DHCPname server", server);
            }
        }
    }
    WriteLog(os_, "DNSserver", server);
    if (server.find_first_of(" ,") == std::string::npos) {
        WriteLog(os_, "DNSserver returned", server);
        return {server};
    }
    // The list is written with blanks or commas between its addresses.
    std::vector<std::string> servers;
    size_t at = 0;
    while (servers.size() < MaxDnsServers && at < server.size()) {
        const size_t end = std::min(server.find_first_of(" ,", at), server.size());
        if (end > at) servers.push_back(server.substr(at, end - at));
        at = end + 1;
    }
    if (servers.empty()) servers.emplace_back();
    return servers;
}

std::string TNameResolution::HostsPathToRead() const {
    return os_.system.EnvironmentVariable("windir") + "\\System32\\drivers\\etc\\hosts";
}

std::string TNameResolution::ResolveHostAddress(const std::string& hostName,
                                                const std::vector<std::string>& dnsServers) {
    std::string result;
    // An unreadable hosts file has no entries; the lookup goes on by DNS.
    const auto hosts = ReadHostsFile(os_, HostsPathToRead());
    for (const HostsEntry& entry : MatchingHostsEntries(hosts.value_or(""), hostName)) {
        HostsNamedProbe_ = true;
        WriteLog(os_, "ip: " + entry.address, "host: " + entry.names);
        WriteLog(os_, "name res ip found:", entry.address);
        result = entry.address;
    }

    bool found = false;
    for (const std::string& dnsServer : dnsServers) {
        if (&dnsServer != &dnsServers.front()) WriteLog(os_, "dnsquery next server: ", dnsServer);
        found = LookUpByDns(hostName, dnsServer, result);
        if (found) break;
    }
    if (!found) {
        result = NoAddress;
        WriteLog(os_, "dnsipcatch", result);
    }
    WriteLog(os_, "name res ip dns:", result);
    return result;
}

bool TNameResolution::LookUpByDns(const std::string& hostName, const std::string& dnsServer,
                                  std::string& address) {
    try {
        WriteLog(os_, "dnsquery: ", "begin try");
        DnsQuery_ = std::make_unique<TclDnsQuery>(os_.sockets, os_.clock);
        TclDnsQuery& query = *DnsQuery_;
        query.DnsServer = dnsServer;
        WriteLog(os_, "dnsquery DNSserver: ", dnsServer);
        query.Port = DnsPort;
        query.TimeOut = DnsTimeOut;
        query.IsRecursiveDesired = true;
        // The window's thread handles its own messages; this thread has none
        // to hand on, so there is nothing to let through here.

        query.ResolveIP(hostName);
        WriteLog(os_, "dnsquery resolve: ", hostName);
        const std::string* answer = query.Hosts.empty() ? nullptr : &query.Hosts.front().IPAddress;
        if (!address.empty()) {
            WriteLog(os_, "dnsquery if ret!=: ", "");
            if (!answer) return false;
            if (address != *answer && !pinger_.PingHost(hostName)) {
                WriteLog(os_, "dns: " + *answer, "host: " + address);
                address = NoAddress;
            }
        }
        if (address.empty()) {
            WriteLog(os_, "dnsquery if ret==: ", "IN ELSE");
            if (!answer) return false;
            address = *answer;
            WriteLog(os_, "dnsquery ipobtained: ", "");
            WriteLog(os_, "dnsipelse", address);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TNameResolution::CheckHostPage(const std::string& hostName, const std::string& address) {
    // A failed lookup is a failed page: nothing is fetched from nowhere.
    LastProbe_ = {address, {}};
    if (!NamesNoHost(address)) LastProbe_.page = pages_.Fetch(address, "");
    WriteLog(os_, "check name resolution", "receive answer");
    bool passed = false;
    const char* detail = "other error";
    if (hostName == VendorProbeHost || hostName == SearchProbeHost) {
        passed = LastProbe_.page.text.find(PageTitle(hostName)) != std::string::npos;
        detail = passed ? "ok" : "Host Unreacheable";
        // Where the web is reached only through the browser's proxy, the
        // page that failed directly comes that way.
        const std::string proxy = passed ? std::string() : EnabledProxyServer(os_);
        if (!proxy.empty() && PageThroughProxy(hostName, proxy)) {
            passed = true;
            detail = "ok through the proxy";
        }
    }
    WriteLog(os_, "hostName:" + hostName, detail);
    return passed;
}

std::string TNameResolution::HostsFolderToReplace() const {
    return os_.system.SystemDirectory() + "\\drivers\\etc";
}

bool TNameResolution::BackUpHostsFile(const std::string& hostsPath, const std::string& folder,
                                      std::string& saved) {
    saved.clear();
    const auto current = ReadHostsFile(os_, hostsPath);
    // Our own replacement from an earlier run: the user's file is saved already.
    if (current && *current == ReplacementHosts) return true;
    for (int number = 0; number <= MaxNumberedBackups; ++number) {
        const std::string backup = folder + BackupName(number);
        saved = backup;
        if (!os_.files.Exists(backup)) return os_.files.Copy(hostsPath, backup, false);
        const auto copy = ReadHostsFile(os_, backup);
        if (current && copy && *copy == *current) return true;
    }
    saved.clear();
    return false;
}

void TNameResolution::ReplaceHostsFile() {
    WriteLog(os_, "replace host file", "");
    WriteLog(os_, "check name resolution step - fail", "rename host");
    const std::string folder = HostsFolderToReplace();
    const std::string hostsPath = folder + "\\Hosts";
    ChangeEntry change{ChangeKind::HostsFile, RegistryRoot::LocalMachine, hostsPath, "", false, {}};
    if (os_.files.Exists(hostsPath)) {
        ClearLockingAttributes(hostsPath);
        // Without a copy of the user's file in place, the file stays as it is.
        if (!BackUpHostsFile(hostsPath, folder, change.name)) {
            WriteLog(os_, "hosts file not saved, left in place", hostsPath);
            return;
        }
        // Already the replacement: nothing changes.
        if (change.name.empty()) return;
    }
    // The earlier file can be put back if the replacement does not help.
    const ChangeId id = NetworkSettings_.Changes().Record(change);
    if (id == NoChange) {
        WriteLog(os_, "hosts file not replaced", hostsPath);
        return;
    }
    HostsChange_ = id;
    ReplacedHostsNamedProbe_ = HostsNamedProbe_;
    // The new file is written whole beside the old one and then takes its
    // name in one step, so the system never finds the hosts file missing
    // or half written.
    const std::string fresh = folder + "\\Hosts.new";
    bool written = false;
    if (auto file = os_.files.Open(fresh, FileAccess::ReadWrite, FileShare::None,
                                   FileDisposition::CreateAlways)) {
        written = file->Write(ReplacementHosts);
    }
    if (!written || !os_.files.Replace(fresh, hostsPath)) {
        os_.files.Delete(fresh);
        WriteLog(os_, "hosts file not replaced", hostsPath);
        // Nothing changed: nothing to put back.
        NetworkSettings_.Changes().Keep(id);
        HostsChange_ = NoChange;
    }
}

void TNameResolution::SettleRepairs(bool helped) {
    MachineChanges& changes = NetworkSettings_.Changes();
    const bool dnsWritten = !DnsChanges_.empty();
    changes.Settle(DnsChanges_, helped);
    if (!helped && dnsWritten) {
        // The connections take up the servers put back.
        NetworkSettings_.DisableAdapters();
        os_.clock.Sleep(AfterDisablePause);
        NetworkSettings_.EnableAdapters();
        os_.clock.Sleep(AfterEnablePause);
    }
    changes.Settle(HostsChange_, helped || ReplacedHostsNamedProbe_);
    DnsChanges_.clear();
    HostsChange_ = NoChange;
}

void TNameResolution::ClearLockingAttributes(const std::string& hostsPath) {
    // Hijackers set these so that the file cannot be replaced.
    constexpr uint32_t Locking =
        FileAttribute::ReadOnly | FileAttribute::Hidden | FileAttribute::System;
    const auto attributes = os_.files.Attributes(hostsPath);
    if (!attributes || (*attributes & Locking) == 0) return;
    os_.files.SetAttributes(hostsPath, *attributes & ~Locking);
    WriteLog(os_, "hosts file attributes cleared", hostsPath);
}

void TNameResolution::WriteDnsValue(const std::string& path, const char* name,
                                    const std::string& servers) {
    const std::string data = servers + '\0';
    const ChangeId id = NetworkSettings_.Changes().WriteValue(
        ChangeKind::DnsServers, RegistryRoot::LocalMachine, path, name, RegistryValueType::String, data);
    if (id != NoChange) DnsChanges_.push_back(id);
}

void TNameResolution::WriteProviderDns() {
    // Adapters without a usable gateway carry no traffic out and are left alone.
    const auto takingPart = [this] {
        std::vector<const AdapterDetails*> adapters;
        for (const AdapterDetails& adapter : NetworkSettings_.Adapters()) {
            if (IsUsableGateway(adapter.Gateway)) adapters.push_back(&adapter);
        }
        return adapters;
    };

    for (const AdapterDetails* adapter : takingPart()) {
        const std::string path = InterfaceKeyPath(adapter->AdapterName);
        auto key = OpenInterfaceKey(os_, path);
        if (!key || !key->ValueExists(DhcpNameServerValue)) continue;
        if (!RegReadString(os_, RegistryRoot::LocalMachine, path, NameServerValue).empty()) {
            WriteDnsValue(path, DhcpNameServerValue, "");
        }
    }
    const std::string servers = ProviderDnsServers_;
    for (const AdapterDetails* adapter : takingPart()) {
        const std::string path = InterfaceKeyPath(adapter->AdapterName);
        auto key = OpenInterfaceKey(os_, path);
        if (!key) continue;
        // The user's own servers are now only in the settings snapshot.
        NetworkSettings_.NoteInterfaceValuesChanged();
        WriteLog(os_, "regKey", "");
        if (!adapter->DhcpEnabled) {
            WriteLog(os_, "writed dns", "");
            WriteLog(os_, "write dns", "wasn't repaired");
            WriteDnsValue(path, NameServerValue, servers);
        } else {
            WriteLog(os_, "writed dhcp dns", "");
            WriteDnsValue(path, DhcpNameServerValue, servers);
            WriteDnsValue(path, NameServerValue, servers);
        }
    }

    NetworkSettings_.DisableAdapters();
    os_.clock.Sleep(AfterDisablePause);
    NetworkSettings_.EnableAdapters();
    os_.clock.Sleep(AfterEnablePause);
    RunProgram(os_, FlushCommand);
    // As in the lookup: this thread has no window messages to let through.
    RunProgram(os_, RegisterCommand);
    os_.clock.Sleep(AfterRegisterPause);
    NetworkSettings_.ControlConnections("");
    os_.clock.Sleep(AfterQueryPassPause);
}

}  // namespace plover
