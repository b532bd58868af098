#pragma once

#include <memory>
#include <string>
#include <vector>

#include "checks/HostPinger.h"
#include "checks/PageFetcher.h"
#include "netsettings/NetworkSettings.h"
#include "platform/Platform.h"
#include "protocols/DnsQuery.h"

namespace plover {

// Can this computer turn host names into addresses and load a web page under
// them? Two probe hosts are resolved (hosts file, then a direct question to
// the DNS server of the adapter with the default gateway) and their home
// pages fetched; the repairs replace the hosts file and write the partner's
// DNS servers into the adapters' settings. Used by one run at a time, on its
// diagnostic thread.
class TNameResolution {
public:
    // The partner's DNS servers are the window's own text, which the window
    // fills from the branding block after this object exists: it is read when
    // the repair writes it, never copied.
    TNameResolution(const Platform& os, TNetworkSettings& NetworkSettings, HostPinger& pinger,
                    PageFetcher& pages, const std::string& ProviderDnsServers);
    TNameResolution(const TNameResolution&) = delete;
    TNameResolution& operator=(const TNameResolution&) = delete;
    ~TNameResolution();

    // True when at least one probe host resolved and showed its page; both
    // probes always run. A page that failed directly is fetched again
    // through the proxy the browser settings switch on, if any.
    bool CheckNameResolution();
    // The host that showed its own page for both probes in the last failed
    // check (a network that asks its users to sign in first); empty for none.
    const std::string& SignInPageHost() const { return SignInPageHost_; }
    // True when a probe page loads with its title through proxy.
    bool ProxyShowsProbePage(const std::string& proxy);
    // Saves the hosts file and puts one with only the local host in its place.
    void ReplaceHostsFile();
    // Writes the partner's DNS servers into every adapter with a usable
    // gateway and restarts the connections.
    void WriteProviderDns();
    // Settles the repairs above, each recorded in the journal: kept when they
    // helped; otherwise the DNS servers are put back (and the connections
    // restarted on them) and so is a hosts file that mapped neither probe
    // host, which cannot have been the fault. One that did stays replaced.
    void SettleRepairs(bool helped);

    // The DNS server addresses of the adapter with the default gateway, in
    // their order and at most MaxDnsServers; one empty text when it names none.
    std::vector<std::string> GetAdapterDnsServers();
    // The host's address, or "0.0.0.0" when it cannot be had. Each server is
    // asked in turn until one gives an address, as the system itself moves
    // on from a server that does not answer.
    std::string ResolveHostAddress(const std::string& hostName,
                                   const std::vector<std::string>& dnsServers);
    std::string ResolveHostAddress(const std::string& hostName, const std::string& dnsServer) {
        return ResolveHostAddress(hostName, std::vector<std::string>{dnsServer});
    }
    // True when the host's home page, fetched from address (or by name
    // through the browser's proxy), holds its title.
    bool CheckHostPage(const std::string& hostName, const std::string& address);

    // The DNS component of the latest lookup; null before the first.
    const TclDnsQuery* DnsQuery() const { return DnsQuery_.get(); }

    static constexpr const char* VendorProbeHost = "www.brackenfield.com";
    static constexpr const char* SearchProbeHost = "www.google.com";
    static constexpr const char* VendorPageTitle =
        "Brackenfield &raquo; Guaranteed Computer Protection";
    static constexpr const char* SearchPageTitle = "Google";
    // The address text of a failed lookup.
    static constexpr const char* NoAddress = "0.0.0.0";
    // The replacement hosts file, byte for byte (no line end after the entry).
    static constexpr const char* ReplacementHosts = "\r\n127.0.0.1 localhost";
    // Backups beside "Hosts_OLD.txt" are numbered up to this.
    static constexpr int MaxNumberedBackups = 99;

    static constexpr size_t MaxDnsServers = 3;
    static constexpr int DnsPort = 53;
    static constexpr int DnsTimeOut = 7000;
    static constexpr uint32_t AfterDisablePause = 1000;
    static constexpr uint32_t AfterEnablePause = 4000;
    static constexpr uint32_t AfterRegisterPause = 12000;
    static constexpr uint32_t AfterQueryPassPause = 5000;

private:
    // What answered the direct fetch of one probe.
    struct ProbeAnswer {
        std::string address;
        FetchedPage page;
    };
    // The host of a network's own page when both probes were answered by
    // it, or empty.
    std::string NetworkPageHost(const ProbeAnswer& vendor, const ProbeAnswer& search) const;
    // Fetches the host's home page by name through proxy and logs the outcome.
    bool PageThroughProxy(const std::string& hostName, const std::string& proxy);
    static const char* PageTitle(const std::string& hostName) {
        return hostName == VendorProbeHost ? VendorPageTitle : SearchPageTitle;
    }

    // The DNS lookup of the host, held against the address the hosts file
    // gave (empty for none), which it may replace; false when the lookup
    // failed: an error of the DNS client, or an answer without an address.
    bool LookUpByDns(const std::string& hostName, const std::string& dnsServer,
                     std::string& address);
    std::string HostsPathToRead() const;
    std::string HostsFolderToReplace() const;
    // Puts the hosts file's content beside it without overwriting any other
    // saved content; true when it is saved (or needs no saving).
    // saved: the copy that holds it, or empty when it is our own replacement.
    bool BackUpHostsFile(const std::string& hostsPath, const std::string& folder,
                         std::string& saved);
    // One DNS value written through the journal.
    void WriteDnsValue(const std::string& path, const char* name, const std::string& servers);
    // Takes read-only, hidden and system off the hosts file, which would
    // keep it from being replaced.
    void ClearLockingAttributes(const std::string& hostsPath);

    const Platform& os_;
    TNetworkSettings& NetworkSettings_;
    HostPinger& pinger_;
    PageFetcher& pages_;
    const std::string& ProviderDnsServers_;
    std::unique_ptr<TclDnsQuery> DnsQuery_;
    ProbeAnswer LastProbe_;
    std::string SignInPageHost_;
    bool HostsNamedProbe_ = false;  // the hosts file mapped a probe host in this check
    // The repairs of this run not settled yet.
    ChangeId HostsChange_ = NoChange;
    bool ReplacedHostsNamedProbe_ = false;
    std::vector<ChangeId> DnsChanges_;
};

}  // namespace plover
