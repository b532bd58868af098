#include "tests/standin/FakeRegistry.h"

#include <algorithm>
#include <vector>

namespace plover::standin {

namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string KeyOf(RegistryRoot root, const std::string& path) {
    std::string key = root == RegistryRoot::LocalMachine ? "hklm" : "hkcu";
    std::string rest = Lower(path);
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    while (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
    if (!rest.empty()) key += "\\" + rest;
    return key;
}

std::string ParentOf(const std::string& key) {
    const size_t slash = key.find_last_of('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

constexpr uint32_t ReadOnlyBits = 0x20019;
}  // namespace

struct FakeRegistry::Node {
    std::map<std::string, RegistryValue> values;  // by lowercase name
    bool deleted = false;
};

namespace {
class FakeKey : public RegistryKey {
public:
    FakeKey(std::recursive_mutex& mutex, std::shared_ptr<FakeRegistry::Node> node, bool writable)
        : mutex_(mutex), node_(std::move(node)), writable_(writable) {}

    bool ValueExists(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        return !node_->deleted && node_->values.count(Lower(name)) > 0;
    }
    std::optional<RegistryValue> ReadValue(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (node_->deleted) return std::nullopt;
        const auto it = node_->values.find(Lower(name));
        if (it == node_->values.end()) return std::nullopt;
        return it->second;
    }
    bool WriteValue(const std::string& name, RegistryValueType type,
                    std::string_view data) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (!writable_ || node_->deleted) return false;
        node_->values[Lower(name)] = RegistryValue{type, std::string(data)};
        return true;
    }
    bool DeleteValue(const std::string& name) override {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        if (!writable_ || node_->deleted) return false;
        return node_->values.erase(Lower(name)) > 0;
    }

private:
    std::recursive_mutex& mutex_;
    std::shared_ptr<FakeRegistry::Node> node_;
    bool writable_;
};
}  // namespace

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Find(RegistryRoot root,
                                                       const std::string& path) const {
    const auto it = keys_.find(KeyOf(root, path));
    return it == keys_.end() ? nullptr : it->second;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Create(RegistryRoot root,
                                                         const std::string& path) {
    std::string key = KeyOf(root, path);
    auto& slot = keys_[key];
    if (!slot) slot = std::make_shared<Node>();
    auto node = slot;
    for (std::string parent = ParentOf(key); !parent.empty(); parent = ParentOf(parent)) {
        auto& up = keys_[parent];
        if (!up) up = std::make_shared<Node>();
    }
    return node;
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegistryRoot root, const std::string& path,
                                                   uint32_t access, bool create) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const bool wantsWrite = (access & ~ReadOnlyBits) != 0;
    if (wantsWrite && readOnlyRoots_.count(root)) return nullptr;
    auto node = Find(root, path);
    if (!node) {
        if (!create) return nullptr;
        node = Create(root, path);
    }
    return std::make_unique<FakeKey>(mutex_, node, wantsWrite);
}

bool FakeRegistry::DeleteKey(RegistryRoot root, const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (readOnlyRoots_.count(root)) return false;
    const std::string key = KeyOf(root, path);
    const auto it = keys_.find(key);
    if (it == keys_.end()) return false;
    const std::string prefix = key + "\\";
    for (const auto& entry : keys_) {
        if (entry.first.compare(0, prefix.size(), prefix) == 0) return false;  // has subkeys
    }
    it->second->deleted = true;
    keys_.erase(it);
    return true;
}

void FakeRegistry::CreateKey(RegistryRoot root, const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Create(root, path);
}

void FakeRegistry::SetRaw(RegistryRoot root, const std::string& path, const std::string& name,
                          RegistryValueType type, const std::string& data) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Create(root, path)->values[Lower(name)] = RegistryValue{type, data};
}

void FakeRegistry::SetString(RegistryRoot root, const std::string& path, const std::string& name,
                             const std::string& value) {
    SetRaw(root, path, name, RegistryValueType::String, value + std::string(1, '\0'));
}

void FakeRegistry::SetMultiString(RegistryRoot root, const std::string& path,
                                  const std::string& name,
                                  const std::vector<std::string>& strings) {
    std::string data;
    for (const auto& s : strings) {
        data += s;
        data.push_back('\0');
    }
    data.push_back('\0');
    if (strings.empty()) data.push_back('\0');  // an empty list is stored as two zeros
    SetRaw(root, path, name, RegistryValueType::MultiString, data);
}

void FakeRegistry::SetDword(RegistryRoot root, const std::string& path, const std::string& name,
                            uint32_t value) {
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    SetRaw(root, path, name, RegistryValueType::Dword, data);
}

bool FakeRegistry::HasKey(RegistryRoot root, const std::string& path) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return Find(root, path) != nullptr;
}

std::optional<RegistryValue> FakeRegistry::Value(RegistryRoot root, const std::string& path,
                                                 const std::string& name) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto node = Find(root, path);
    if (!node) return std::nullopt;
    const auto it = node->values.find(Lower(name));
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> FakeRegistry::StringValue(RegistryRoot root, const std::string& path,
                                                     const std::string& name) const {
    const auto value = Value(root, path, name);
    if (!value || value->type != RegistryValueType::String) return std::nullopt;
    return value->data.substr(0, value->data.find('\0'));
}

std::optional<uint32_t> FakeRegistry::DwordValue(RegistryRoot root, const std::string& path,
                                                 const std::string& name) const {
    const auto value = Value(root, path, name);
    if (!value || value->type != RegistryValueType::Dword || value->data.size() != 4) {
        return std::nullopt;
    }
    uint32_t number = 0;
    for (size_t i = 0; i < 4; ++i) {
        number |= static_cast<uint32_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
    }
    return number;
}

void FakeRegistry::DenyWrites(RegistryRoot root) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    readOnlyRoots_.insert(root);
}

}  // namespace plover::standin
