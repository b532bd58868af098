#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plover {

enum class RegistryRoot { LocalMachine, CurrentUser };

// Registry value types with their Windows numbers.
enum class RegistryValueType : uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,        // REG_BINARY
    Dword = 4,         // REG_DWORD
    MultiString = 7,   // REG_MULTI_SZ
};

// Access masks as Windows defines them.
namespace RegistryAccess {
constexpr uint32_t Read = 0x20019;       // KEY_READ
constexpr uint32_t Write = 0x20006;      // KEY_WRITE
constexpr uint32_t AllAccess = 0xF003F;  // KEY_ALL_ACCESS
}  // namespace RegistryAccess

// A value's type and its data exactly as the ANSI registry calls hand it out:
// strings carry their terminating zero bytes.
struct RegistryValue {
    RegistryValueType type = RegistryValueType::None;
    std::string data;
};

// One open key; closing it is its destruction.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    virtual bool ValueExists(const std::string& name) = 0;
    virtual std::optional<RegistryValue> ReadValue(const std::string& name) = 0;
    virtual bool WriteValue(const std::string& name, RegistryValueType type,
                            std::string_view data) = 0;
    virtual bool DeleteValue(const std::string& name) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Null when the key cannot be opened (or created, with create set).
    virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                                 uint32_t access, bool create) = 0;
    // Deletes a key that has no subkeys.
    virtual bool DeleteKey(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace plover
