#include "platform/win32/Win32Registry.h"

#include <vector>

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class Win32RegistryKey : public RegistryKey {
public:
    explicit Win32RegistryKey(UniqueHkey key) : key_(std::move(key)) {}

    bool ValueExists(const std::string& name) override {
        return ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    std::optional<RegistryValue> ReadValue(const std::string& name) override {
        // The value may grow between the size query and the read; ask again
        // a few times rather than hand out a cut value.
        for (int attempt = 0; attempt < 4; ++attempt) {
            DWORD type = 0;
            DWORD size = 0;
            if (::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS) {
                return std::nullopt;
            }
            std::vector<BYTE> data(size + 2);
            DWORD read = size;
            const LONG status =
                ::RegQueryValueExA(key_.get(), name.c_str(), nullptr, &type, data.data(), &read);
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) return std::nullopt;
            return RegistryValue{static_cast<RegistryValueType>(type),
                                 std::string(reinterpret_cast<const char*>(data.data()), read)};
        }
        return std::nullopt;
    }

    bool WriteValue(const std::string& name, RegistryValueType type,
                    std::string_view data) override {
        return ::RegSetValueExA(key_.get(), name.c_str(), 0, static_cast<DWORD>(type),
                                reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }

    bool DeleteValue(const std::string& name) override {
        return ::RegDeleteValueA(key_.get(), name.c_str()) == ERROR_SUCCESS;
    }

private:
    UniqueHkey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, const std::string& path,
                                                    uint32_t access, bool create) {
    UniqueHkey key;
    LONG status;
    if (create) {
        status = ::RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   access, nullptr, key.put(), nullptr);
    } else {
        status = ::RegOpenKeyExA(RootKey(root), path.c_str(), 0, access, key.put());
    }
    if (status != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32RegistryKey>(std::move(key));
}

bool Win32Registry::DeleteKey(RegistryRoot root, const std::string& path) {
    return ::RegDeleteKeyA(RootKey(root), path.c_str()) == ERROR_SUCCESS;
}

}  // namespace plover::win32
