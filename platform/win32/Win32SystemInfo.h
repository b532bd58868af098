#pragma once

#include "platform/DebugOutput.h"
#include "platform/SystemInfo.h"

namespace plover::win32 {

class Win32SystemInfo : public SystemInfo {
public:
    std::optional<OsVersionInfo> GetVersion() override;
    std::optional<OsVersionInfo> TrueVersion() override;
    bool RunsUnderWow64() override;
    bool HasAdministratorRights() override;
    std::string TempPath() override;
    std::string SystemDirectory() override;
    std::string EnvironmentVariable(const std::string& name) override;
    std::string CurrentDirectory() override;
    std::string ExecutablePath() override;
};

class Win32DebugOutput : public DebugOutput {
public:
    void Output(std::string_view text) override;
};

}  // namespace plover::win32
