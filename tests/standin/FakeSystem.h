#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/DebugOutput.h"
#include "platform/SystemInfo.h"

namespace plover::standin {

class FakeSystemInfo : public SystemInfo {
public:
    std::optional<OsVersionInfo> GetVersion() override { return version; }
    std::optional<OsVersionInfo> TrueVersion() override {
        return trueVersion ? trueVersion : version;
    }
    bool RunsUnderWow64() override { return wow64; }
    bool HasAdministratorRights() override { return administrator; }
    std::string TempPath() override { return tempPath; }
    std::string SystemDirectory() override { return systemDirectory; }
    std::string EnvironmentVariable(const std::string& name) override {
        const auto it = environment.find(name);
        return it == environment.end() ? std::string() : it->second;
    }
    std::string CurrentDirectory() override { return currentDirectory; }
    std::string ExecutablePath() override { return executablePath; }

    // Windows XP Service Pack 2 unless a test says otherwise.
    std::optional<OsVersionInfo> version = OsVersionInfo{5, 1, 2600, 2, "Service Pack 2"};
    // Empty: the system is what GetVersion says.
    std::optional<OsVersionInfo> trueVersion;
    bool wow64 = false;
    bool administrator = true;
    std::string tempPath = "C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\";
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    std::map<std::string, std::string> environment{{"windir", "C:\\WINDOWS"}};
    std::string currentDirectory = "C:\\Program Files\\PloverTool";
    std::string executablePath = "C:\\Program Files\\PloverTool\\PloverTool.exe";
};

class FakeDebugOutput : public DebugOutput {
public:
    void Output(std::string_view text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        outputs_.emplace_back(text);
    }
    std::vector<std::string> Outputs() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return outputs_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> outputs_;
};

}  // namespace plover::standin
