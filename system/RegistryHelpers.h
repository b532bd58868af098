#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace plover {

// The TCP/IP settings key of one interface is this path followed by the
// adapter name (the interface GUID in braces).
constexpr const char* InterfacesKeyPath =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";

// The TCP/IP settings key of the interface an adapter name names.
std::string InterfaceKeyPath(const std::string& adapterName);
// An interface key open for reading and writing; null when it does not open
// (it is never created).
std::unique_ptr<RegistryKey> OpenInterfaceKey(const Platform& os, const std::string& path);

// Null when the key does not open (or cannot be created with mayCreate).
std::unique_ptr<RegistryKey> OpenRegistryKey(const Platform& os, uint32_t access, RegistryRoot root,
                                             const std::string& path, bool mayCreate);

// A string value as stored (not expanded); empty when the key or value is
// missing or the value is of another type.
std::string RegReadString(const Platform& os, RegistryRoot root, const std::string& path,
                          const std::string& valueName);

// A multi-string (or binary) value with its strings joined by "\n"; empty when
// the key or value is missing or the value holds no strings.
std::string RegReadMultiString(const Platform& os, RegistryRoot root, const std::string& path,
                               const std::string& valueName);

// The multi-string text of raw value data: every byte but the last two, zero
// bytes turned into "\n".
std::string MultiStringText(const std::string& rawData);

// Writes a string value, creating the key when missing; false when the key or
// the value cannot be written.
bool RegWriteString(const Platform& os, RegistryRoot root, const std::string& path,
                    const std::string& valueName, const std::string& value);

}  // namespace plover
