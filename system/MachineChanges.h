#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "system/SettingsSnapshot.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

// Every persistent change a run may make to the machine, and how each is
// undone. A change is recorded in the journal before it is made, so that a
// process ended in the middle of a repair (a crash, Task Manager, a power
// cut) leaves the next start everything it needs to put the machine back.
// Each entry is later settled: kept, because its change made its stage pass
// or is meant to last, or put back.
//
// The journal lives in HKLM "Software\PloverTool\Journal": a DWORD "Next"
// (the number the next entry takes) and one binary value "Entry<n>" per
// unsettled change. An entry is one registry write, so it is there whole or
// not at all; the counter is written after it, and recovery looks one past
// the counter for an entry whose counter write was lost.
enum class ChangeKind : uint32_t {
    // An interface's TCP/IP value (the DHCP switch). Put back: the value
    // written back with its type and bytes, or deleted when it was absent.
    InterfaceValue = 1,
    // A connection switched off by the connection pass (path: its name).
    // Put back: switched on again.
    ConnectionOff = 2,
    // The firewall switched off. Put back: switched on.
    FirewallOff = 3,
    // The firewall's echo-request exception switched on (existed: it was on
    // before). Put back: switched off again when it was off before.
    EchoException = 4,
    // The browser's proxy switch, "ProxyEnable". Put back as a value.
    ProxySwitch = 5,
    // The hosts file replaced (path: the hosts file; name: the copy of the
    // earlier file, empty when there was none). Put back: the copy takes the
    // hosts file's place again, or the new file goes when there was none.
    HostsFile = 6,
    // DNS servers written into an interface key. Put back as a value.
    DnsServers = 7,
    // The Winsock keys deleted and imported again by the reset. Put back:
    // the exports chosen at start-up imported again, so the keys are never
    // left deleted.
    WinsockKeys = 8,
};

// One change as the journal keeps it. The fields a kind does not use stay
// empty.
struct ChangeEntry {
    ChangeKind kind = ChangeKind::InterfaceValue;
    RegistryRoot root = RegistryRoot::LocalMachine;
    // Registry kinds: the key path. Others: see the kind.
    std::string path;
    // Registry kinds: the value name. Others: see the kind.
    std::string name;
    // Registry kinds: whether the value existed. EchoException: it was on.
    bool existed = false;
    // Registry kinds: the value as it was.
    RegistryValue value;
};

// An entry of this process; NoChange when nothing was recorded (and then
// nothing was changed).
using ChangeId = uint32_t;
constexpr ChangeId NoChange = 0;

// The journal's key under HKLM.
constexpr const char* JournalKeyPath = "Software\\PloverTool\\Journal";

// The entry's bytes in the journal, and back; nothing for damaged bytes.
std::string EncodeChangeEntry(const ChangeEntry& entry);
std::optional<ChangeEntry> DecodeChangeEntry(std::string_view bytes);

// True when the journal holds any entry (of this process or an earlier one).
bool JournalHoldsEntries(const Platform& os);

// The one place through which a run changes the machine. Used by the
// diagnostic thread and the window's thread (the firewall at close); every
// call is safe from either.
class MachineChanges {
public:
    // The snapshot holder learns when an interface value stays changed; the
    // export texts are the ones a Winsock put-back imports.
    MachineChanges(const Platform& os, SettingsSnapshot& snapshot, const WinsockRegTexts& regTexts)
        : os_(os), snapshot_(snapshot), regTexts_(regTexts) {}
    MachineChanges(const MachineChanges&) = delete;
    MachineChanges& operator=(const MachineChanges&) = delete;

    // At start-up, before anything else touches the machine: the entries an
    // earlier process left unsettled are put back, newest first, each
    // logged; damaged ones are logged and skipped; then the journal is
    // cleared. The number put back.
    int RecoverUnfinishedRun();

    // Changes that the seam makes itself. Each records, then changes; it
    // answers NoChange and changes nothing when the journal cannot be
    // written, or when the machine already is as asked.
    ChangeId WriteValue(ChangeKind kind, RegistryRoot root, const std::string& path,
                        const std::string& name, RegistryValueType type, std::string_view data);
    ChangeId DeleteValue(ChangeKind kind, RegistryRoot root, const std::string& path,
                         const std::string& name);
    // The connection must have had its properties read (it has a name).
    ChangeId SwitchConnectionOff(NetworkConnection& connection);
    // The pass that switched it off switches it on again: settled, no
    // put-back needed.
    void SwitchConnectionBackOn(ChangeId id, NetworkConnection& connection);
    ChangeId SwitchFirewallOff();
    ChangeId AllowEchoRequests(bool allowedBefore);

    // A change the caller makes itself, right after this returns an id (the
    // hosts file replaced, the Winsock reset): the entry is in the journal
    // first. NoChange when the journal cannot be written: do not change.
    ChangeId Record(const ChangeEntry& entry);

    // Kept: the change stays (an interface value kept marks the settings
    // snapshot kept). Put back: the earlier state is restored and logged.
    // Either way the entry leaves the journal. Nothing for an id that is
    // settled already.
    void Settle(ChangeId id, bool kept);
    void Keep(ChangeId id) { Settle(id, true); }
    void PutBack(ChangeId id) { Settle(id, false); }
    // Several entries, newest first; put back, one log line per adapter.
    void Settle(const std::vector<ChangeId>& ids, bool kept);
    // Every unsettled entry of this process of one kind, newest first.
    void SettleAll(ChangeKind kind, bool kept);

    // This process's unsettled entries, oldest first.
    std::vector<ChangeId> Unsettled() const;
    std::optional<ChangeEntry> Entry(ChangeId id) const;

private:
    // lastLine: the put-back line written last, so that an adapter's values
    // put back together are logged once.
    void Restore(const ChangeEntry& entry, std::string& lastLine);
    void Forget(ChangeId id);
    void SwitchConnectionOn(const std::string& name);

    const Platform& os_;
    SettingsSnapshot& snapshot_;
    const WinsockRegTexts& regTexts_;
    mutable std::recursive_mutex mutex_;
    std::map<ChangeId, ChangeEntry> unsettled_;
};

}  // namespace plover
