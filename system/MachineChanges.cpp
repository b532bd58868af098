#include "system/MachineChanges.h"

#include <algorithm>

#include "system/Log.h"
#include "system/ProgramRunner.h"
#include "system/RegistryHelpers.h"

namespace plover {

namespace {

constexpr const char* NextValue = "Next";
constexpr const char* EntryPrefix = "Entry";
// A counter beyond this is damaged; recovery then looks at this many.
constexpr ChangeId MostEntries = 1024;
constexpr std::string_view EntryMagic{"PLJ1", 4};
constexpr ChangeKind LastKind = ChangeKind::WinsockKeys;

constexpr const char* CommandShell = "cmd.exe /c";
constexpr const char* FirewallOffCommand = "netsh firewall set opmode DISABLE";
constexpr const char* FirewallOnCommand = "netsh firewall set opmode ENABLE";
constexpr const char* EchoOnCommand = "netsh firewall set icmpsetting 8 ENABLE";
constexpr const char* EchoOffCommand = "netsh firewall set icmpsetting 8 DISABLE";

std::string EntryValueName(ChangeId id) { return EntryPrefix + std::to_string(id); }

void PutNumber(std::string& out, uint32_t number) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(number >> shift));
}

void PutText(std::string& out, std::string_view text) {
    PutNumber(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

// Reads from the front of the bytes; false once they run short.
class EntryReader {
public:
    explicit EntryReader(std::string_view bytes) : bytes_(bytes) {}
    bool Number(uint32_t& number) {
        if (bytes_.size() < 4) return false;
        number = 0;
        for (int i = 3; i >= 0; --i) {
            number = (number << 8) | static_cast<unsigned char>(bytes_[static_cast<size_t>(i)]);
        }
        bytes_.remove_prefix(4);
        return true;
    }
    bool Text(std::string& text) {
        uint32_t size = 0;
        if (!Number(size) || size > bytes_.size()) return false;
        text.assign(bytes_.substr(0, size));
        bytes_.remove_prefix(size);
        return true;
    }
    bool AtEnd() const { return bytes_.empty(); }

private:
    std::string_view bytes_;
};

std::optional<uint32_t> ReadDword(RegistryKey& key, const char* name) {
    const auto value = key.ReadValue(name);
    if (!value || value->type != RegistryValueType::Dword || value->data.size() != 4) {
        return std::nullopt;
    }
    uint32_t number = 0;
    EntryReader(value->data).Number(number);
    return number;
}

// The proxy switch as the user had it, for the snapshot: "ProxyEnable 1",
// or "ProxyEnable absent".
std::string ProxySnapshotLine(const ChangeEntry& entry) {
    uint32_t number = 0;
    if (!entry.existed) return entry.name + " absent";
    if (entry.value.type == RegistryValueType::Dword && EntryReader(entry.value.data).Number(number)) {
        return entry.name + " " + std::to_string(number);
    }
    return entry.name + " present";
}

bool IsRegistryKind(ChangeKind kind) {
    return kind == ChangeKind::InterfaceValue || kind == ChangeKind::ProxySwitch ||
           kind == ChangeKind::DnsServers;
}

// The adapter name at the end of an interface key path.
std::string AdapterOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void RunShellCommand(const Platform& os, const char* command) {
    RunProgram(os, std::string(CommandShell) + command);
}

}  // namespace

std::string EncodeChangeEntry(const ChangeEntry& entry) {
    std::string out(EntryMagic);
    PutNumber(out, static_cast<uint32_t>(entry.kind));
    PutNumber(out, static_cast<uint32_t>(entry.root));
    PutNumber(out, entry.existed ? 1 : 0);
    PutNumber(out, static_cast<uint32_t>(entry.value.type));
    PutText(out, entry.path);
    PutText(out, entry.name);
    PutText(out, entry.value.data);
    return out;
}

std::optional<ChangeEntry> DecodeChangeEntry(std::string_view bytes) {
    if (bytes.substr(0, EntryMagic.size()) != EntryMagic) return std::nullopt;
    EntryReader reader(bytes.substr(EntryMagic.size()));
    uint32_t kind = 0, root = 0, existed = 0, type = 0;
    ChangeEntry entry;
    if (!reader.Number(kind) || !reader.Number(root) || !reader.Number(existed) ||
        !reader.Number(type) || !reader.Text(entry.path) || !reader.Text(entry.name) ||
        !reader.Text(entry.value.data) || !reader.AtEnd()) {
        return std::nullopt;
    }
    if (kind < 1 || kind > static_cast<uint32_t>(LastKind) || root > 1 || existed > 1) {
        return std::nullopt;
    }
    entry.kind = static_cast<ChangeKind>(kind);
    entry.root = static_cast<RegistryRoot>(root);
    entry.existed = existed == 1;
    entry.value.type = static_cast<RegistryValueType>(type);
    // A registry change without its key, or a connection without its name,
    // cannot be put back.
    const bool needsPath = IsRegistryKind(entry.kind) || entry.kind == ChangeKind::ConnectionOff ||
                           entry.kind == ChangeKind::HostsFile;
    if (needsPath && entry.path.empty()) return std::nullopt;
    if (IsRegistryKind(entry.kind) && entry.name.empty()) return std::nullopt;
    return entry;
}

bool JournalHoldsEntries(const Platform& os) {
    auto key = OpenRegistryKey(os, RegistryAccess::Read, RegistryRoot::LocalMachine, JournalKeyPath,
                               false);
    if (!key) return false;
    const ChangeId next = ReadDword(*key, NextValue).value_or(MostEntries);
    for (ChangeId id = 1; id <= std::min(next, MostEntries); ++id) {
        if (key->ValueExists(EntryValueName(id))) return true;
    }
    return false;
}

int MachineChanges::RecoverUnfinishedRun() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto key = OpenRegistryKey(os_, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                               JournalKeyPath, false);
    if (!key) return 0;
    // The counter may be missing or damaged, or one short when the process
    // ended between an entry and its counter.
    const auto counter = ReadDword(*key, NextValue);
    const ChangeId last =
        counter && *counter < MostEntries ? std::max<ChangeId>(*counter, 1) : MostEntries;
    std::vector<std::pair<ChangeId, ChangeEntry>> entries;
    std::vector<std::string> names;
    for (ChangeId id = 1; id <= last; ++id) {
        const std::string name = EntryValueName(id);
        const auto raw = key->ReadValue(name);
        if (!raw) continue;
        names.push_back(name);
        auto entry = DecodeChangeEntry(raw->data);
        if (!entry) {
            WriteLog(os_, "journal entry damaged, skipped", name);
            continue;
        }
        entries.emplace_back(id, std::move(*entry));
    }
    if (!entries.empty()) {
        WriteLog(os_, "journal of a run that did not end found, entries:",
                 std::to_string(entries.size()));
    }
    std::string lastAdapter;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) Restore(it->second, lastAdapter);
    for (const std::string& name : names) key->DeleteValue(name);
    key->DeleteValue(NextValue);
    key.reset();
    os_.registry.DeleteKey(RegistryRoot::LocalMachine, JournalKeyPath);
    WriteLog(os_, "journal cleared", "");
    return static_cast<int>(entries.size());
}

ChangeId MachineChanges::Record(const ChangeEntry& entry) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto key = OpenRegistryKey(os_, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                               JournalKeyPath, true);
    ChangeId id = NoChange;
    if (key) {
        id = ReadDword(*key, NextValue).value_or(1);
        if (!unsettled_.empty()) id = std::max(id, unsettled_.rbegin()->first + 1);
        if (id == NoChange || id > MostEntries) id = unsettled_.empty() ? 1 : NoChange;
    }
    if (id == NoChange ||
        !key->WriteValue(EntryValueName(id), RegistryValueType::Binary, EncodeChangeEntry(entry))) {
        WriteLog(os_, "journal not written, change not made", entry.path + entry.name);
        return NoChange;
    }
    std::string next;
    PutNumber(next, id + 1);
    key->WriteValue(NextValue, RegistryValueType::Dword, next);
    unsettled_.emplace(id, entry);
    return id;
}

ChangeId MachineChanges::WriteValue(ChangeKind kind, RegistryRoot root, const std::string& path,
                                    const std::string& name, RegistryValueType type,
                                    std::string_view data) {
    auto key = OpenRegistryKey(os_, RegistryAccess::AllAccess, root, path, false);
    if (!key) return NoChange;
    ChangeEntry entry{kind, root, path, name, false, {}};
    if (auto before = key->ReadValue(name)) {
        if (before->type == type && before->data == data) return NoChange;
        entry.existed = true;
        entry.value = std::move(*before);
    }
    const ChangeId id = Record(entry);
    if (id != NoChange) key->WriteValue(name, type, data);
    return id;
}

ChangeId MachineChanges::DeleteValue(ChangeKind kind, RegistryRoot root, const std::string& path,
                                     const std::string& name) {
    auto key = OpenRegistryKey(os_, RegistryAccess::AllAccess, root, path, false);
    if (!key) return NoChange;
    auto before = key->ReadValue(name);
    if (!before) return NoChange;
    const ChangeId id = Record({kind, root, path, name, true, std::move(*before)});
    if (id != NoChange) key->DeleteValue(name);
    return id;
}

ChangeId MachineChanges::SwitchConnectionOff(NetworkConnection& connection) {
    ChangeEntry entry;
    entry.kind = ChangeKind::ConnectionOff;
    entry.path = connection.Properties().name;
    const ChangeId id = Record(entry);
    if (id != NoChange) connection.Disconnect();
    return id;
}

ChangeId MachineChanges::SwitchFirewallOff() {
    ChangeEntry entry;
    entry.kind = ChangeKind::FirewallOff;
    const ChangeId id = Record(entry);
    if (id != NoChange) RunShellCommand(os_, FirewallOffCommand);
    return id;
}

ChangeId MachineChanges::AllowEchoRequests(bool allowedBefore) {
    if (allowedBefore) return NoChange;
    ChangeEntry entry;
    entry.kind = ChangeKind::EchoException;
    const ChangeId id = Record(entry);
    if (id != NoChange) RunShellCommand(os_, EchoOnCommand);
    return id;
}

void MachineChanges::Settle(ChangeId id, bool kept) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto found = unsettled_.find(id);
    if (found == unsettled_.end()) return;
    const ChangeEntry entry = found->second;
    if (kept) {
        if (entry.kind == ChangeKind::InterfaceValue || entry.kind == ChangeKind::DnsServers) {
            snapshot_.InterfaceValuesChanged = true;
        } else if (entry.kind == ChangeKind::ProxySwitch) {
            KeepSettingInSnapshot(os_, snapshot_, ProxySnapshotLine(entry));
        }
    } else {
        std::string lastAdapter;
        Restore(entry, lastAdapter);
    }
    Forget(id);
}

void MachineChanges::Settle(const std::vector<ChangeId>& ids, bool kept) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<ChangeId> newestFirst(ids);
    std::sort(newestFirst.rbegin(), newestFirst.rend());
    std::string lastAdapter;
    for (const ChangeId id : newestFirst) {
        const auto found = unsettled_.find(id);
        if (found == unsettled_.end()) continue;
        if (kept) {
            Settle(id, true);
            continue;
        }
        const ChangeEntry entry = found->second;
        Restore(entry, lastAdapter);
        Forget(id);
    }
}

void MachineChanges::SettleAll(ChangeKind kind, bool kept) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<ChangeId> ids;
    for (const auto& [id, entry] : unsettled_) {
        if (entry.kind == kind) ids.push_back(id);
    }
    Settle(ids, kept);
}

std::vector<ChangeId> MachineChanges::Unsettled() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<ChangeId> ids;
    for (const auto& known : unsettled_) ids.push_back(known.first);
    return ids;
}

std::optional<ChangeEntry> MachineChanges::Entry(ChangeId id) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto found = unsettled_.find(id);
    if (found == unsettled_.end()) return std::nullopt;
    return found->second;
}

void MachineChanges::SwitchConnectionBackOn(ChangeId id, NetworkConnection& connection) {
    connection.Connect();
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (unsettled_.count(id) != 0) Forget(id);
}

void MachineChanges::Forget(ChangeId id) {
    unsettled_.erase(id);
    auto key = OpenRegistryKey(os_, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                               JournalKeyPath, false);
    if (!key) return;
    key->DeleteValue(EntryValueName(id));
    // Emptied: the key goes, so that the next start finds nothing to do.
    if (!unsettled_.empty() || JournalHoldsEntries(os_)) return;
    key->DeleteValue(NextValue);
    key.reset();
    os_.registry.DeleteKey(RegistryRoot::LocalMachine, JournalKeyPath);
}

void MachineChanges::Restore(const ChangeEntry& entry, std::string& lastAdapter) {
    switch (entry.kind) {
        case ChangeKind::InterfaceValue:
        case ChangeKind::DnsServers:
        case ChangeKind::ProxySwitch: {
            const char* label = entry.kind == ChangeKind::DnsServers
                                    ? "put back DNS servers"
                                    : "put back interface settings";
            if (entry.kind == ChangeKind::ProxySwitch) {
                WriteLog(os_, "put back proxy switch", entry.name);
            } else if (label + AdapterOf(entry.path) != lastAdapter) {
                // One line per adapter and kind, as a switch's values come
                // in adapter order.
                lastAdapter = label + AdapterOf(entry.path);
                WriteLog(os_, label, AdapterOf(entry.path));
            }
            auto key =
                OpenRegistryKey(os_, RegistryAccess::AllAccess, entry.root, entry.path, false);
            if (!key) break;
            if (entry.existed) {
                key->WriteValue(entry.name, entry.value.type, entry.value.data);
            } else {
                key->DeleteValue(entry.name);
            }
            break;
        }
        case ChangeKind::ConnectionOff:
            WriteLog(os_, "put back connection switched off", entry.path);
            SwitchConnectionOn(entry.path);
            break;
        case ChangeKind::FirewallOff:
            WriteLog(os_, "put back firewall", "enabled firewall");
            RunShellCommand(os_, FirewallOnCommand);
            break;
        case ChangeKind::EchoException:
            WriteLog(os_, "put back firewall echo exception", "disabled");
            RunShellCommand(os_, EchoOffCommand);
            break;
        case ChangeKind::HostsFile: {
            WriteLog(os_, "put back hosts file", entry.path);
            if (entry.name.empty()) {
                os_.files.Delete(entry.path);
                break;
            }
            // As the replacement was made: whole beside it, then in one step.
            const std::string fresh = entry.path + ".new";
            if (!os_.files.Copy(entry.name, fresh, true) || !os_.files.Replace(fresh, entry.path)) {
                os_.files.Delete(fresh);
                WriteLog(os_, "hosts file not put back", entry.name);
            }
            break;
        }
        case ChangeKind::WinsockKeys:
            WriteLog(os_, "put back Winsock keys", "imported");
            ImportWinsockKeys(os_, regTexts_);
            break;
    }
}

void MachineChanges::SwitchConnectionOn(const std::string& name) {
    const auto manager = os_.connections.CreateManager();
    if (!manager) return;
    const auto connections = manager->EnumConnections();
    if (!connections) return;
    while (auto connection = connections->Next()) {
        if (connection->ReadProperties() == ConnectionCallResult::Error) break;
        if (connection->Properties().name != name) continue;
        connection->Connect();
        break;
    }
}

}  // namespace plover
