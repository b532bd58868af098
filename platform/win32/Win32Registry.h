#pragma once

#include "platform/Registry.h"

namespace plover::win32 {

class Win32Registry : public Registry {
public:
    std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                         uint32_t access, bool create) override;
    bool DeleteKey(RegistryRoot root, const std::string& path) override;
};

}  // namespace plover::win32
