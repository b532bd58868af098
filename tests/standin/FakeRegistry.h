#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace plover::standin {

// A registry tree in memory. Key paths and value names are case-insensitive,
// as on Windows; values keep the raw bytes the ANSI calls would hand out.
class FakeRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                         uint32_t access, bool create) override;
    bool DeleteKey(RegistryRoot root, const std::string& path) override;

    // Setting up a machine.
    void CreateKey(RegistryRoot root, const std::string& path);
    void SetString(RegistryRoot root, const std::string& path, const std::string& name,
                   const std::string& value);
    void SetMultiString(RegistryRoot root, const std::string& path, const std::string& name,
                        const std::vector<std::string>& strings);
    void SetDword(RegistryRoot root, const std::string& path, const std::string& name,
                  uint32_t value);
    void SetRaw(RegistryRoot root, const std::string& path, const std::string& name,
                RegistryValueType type, const std::string& data);

    // Reading the machine back.
    bool HasKey(RegistryRoot root, const std::string& path) const;
    std::optional<RegistryValue> Value(RegistryRoot root, const std::string& path,
                                       const std::string& name) const;
    // The string of a REG_SZ value without its terminating zero.
    std::optional<std::string> StringValue(RegistryRoot root, const std::string& path,
                                           const std::string& name) const;
    // The number of a REG_DWORD value.
    std::optional<uint32_t> DwordValue(RegistryRoot root, const std::string& path,
                                       const std::string& name) const;

    // Opens asking for more than read access under this root fail, as for a
    // user without administrator rights.
    void DenyWrites(RegistryRoot root);

    struct Node;

private:
    std::shared_ptr<Node> Find(RegistryRoot root, const std::string& path) const;
    std::shared_ptr<Node> Create(RegistryRoot root, const std::string& path);

    mutable std::recursive_mutex mutex_;
    std::map<std::string, std::shared_ptr<Node>> keys_;
    std::set<RegistryRoot> readOnlyRoots_;
};

}  // namespace plover::standin
