#include "system/RegistryHelpers.h"

namespace plover {

std::unique_ptr<RegistryKey> OpenRegistryKey(const Platform& os, uint32_t access, RegistryRoot root,
                                             const std::string& path, bool mayCreate) {
    return os.registry.OpenKey(root, path, access, mayCreate);
}

std::string InterfaceKeyPath(const std::string& adapterName) {
    return InterfacesKeyPath + adapterName;
}

std::unique_ptr<RegistryKey> OpenInterfaceKey(const Platform& os, const std::string& path) {
    return OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine, path, false);
}

std::string RegReadString(const Platform& os, RegistryRoot root, const std::string& path,
                          const std::string& valueName) {
    auto key = OpenRegistryKey(os, RegistryAccess::Read, root, path, false);
    if (!key) return {};
    const auto value = key->ReadValue(valueName);
    if (!value) return {};
    if (value->type != RegistryValueType::String &&
        value->type != RegistryValueType::ExpandString) {
        return {};
    }
    const std::string& data = value->data;
    return data.substr(0, data.find('\0'));
}

std::string MultiStringText(const std::string& rawData) {
    if (rawData.size() <= 2) return {};
    std::string text = rawData.substr(0, rawData.size() - 2);
    for (char& c : text) {
        if (c == '\0') c = '\n';
    }
    return text;
}

std::string RegReadMultiString(const Platform& os, RegistryRoot root, const std::string& path,
                               const std::string& valueName) {
    auto key = OpenRegistryKey(os, RegistryAccess::Read, root, path, false);
    if (!key) return {};
    const auto value = key->ReadValue(valueName);
    // Callers ask for existence first; a value of a string or number type has
    // no list to read and reads as empty rather than as a cut-off string.
    if (!value || (value->type != RegistryValueType::MultiString &&
                   value->type != RegistryValueType::Binary)) {
        return {};
    }
    return MultiStringText(value->data);
}

bool RegWriteString(const Platform& os, RegistryRoot root, const std::string& path,
                    const std::string& valueName, const std::string& value) {
    auto key = OpenRegistryKey(os, RegistryAccess::Write, root, path, true);
    if (!key) return false;
    std::string data = value;
    data.push_back('\0');
    return key->WriteValue(valueName, RegistryValueType::String, data);
}

}  // namespace plover
