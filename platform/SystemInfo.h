#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plover {

// The answer of the basic version query (GetVersionEx with OSVERSIONINFOA).
struct OsVersionInfo {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;  // 1: 9x family, 2: NT family
    std::string servicePack;  // szCSDVersion
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    virtual std::optional<OsVersionInfo> GetVersion() = 0;
    virtual std::string TempPath() = 0;         // with its trailing backslash
    virtual std::string SystemDirectory() = 0;  // without a trailing backslash
    virtual std::string EnvironmentVariable(const std::string& name) = 0;
    virtual std::string CurrentDirectory() = 0;
    virtual std::string ExecutablePath() = 0;  // full path of the running program
};

}  // namespace plover
