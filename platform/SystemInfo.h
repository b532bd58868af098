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
    // The version the system really is. A program whose manifest names no
    // later Windows is told 6.2 (or 6.0) by GetVersion on Windows 7 to 11;
    // the kernel's own query is not so shimmed. Nothing where it is missing.
    virtual std::optional<OsVersionInfo> TrueVersion() = 0;
    // True for a 32-bit program on 64-bit Windows, whose System32 is
    // silently the 32-bit SysWOW64.
    virtual bool RunsUnderWow64() = 0;
    // The program runs with administrator rights (a limited account on XP,
    // where the manifest does not elevate, has none). True when unknown.
    virtual bool HasAdministratorRights() = 0;
    virtual std::string TempPath() = 0;         // with its trailing backslash
    virtual std::string SystemDirectory() = 0;  // without a trailing backslash
    virtual std::string EnvironmentVariable(const std::string& name) = 0;
    virtual std::string CurrentDirectory() = 0;
    virtual std::string ExecutablePath() = 0;  // full path of the running program
};

}  // namespace plover
