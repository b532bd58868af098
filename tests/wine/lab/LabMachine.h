#pragma once

// The real Windows under Wine for the tests that run inside a lab namespace
// (tests/lab/labs.sh netsettings): every interface is the real one except the
// clock, whose pauses return at once and are recorded.

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Platform.h"
#include "system/WindowsVersion.h"
#include "tests/support/LogLines.h"

namespace plover::lab {

class InstantClock : public Clock {
public:
    void Sleep(uint32_t milliseconds) override {
        std::lock_guard<std::mutex> lock(mutex_);
        pauses_.push_back(milliseconds);
    }
    bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) override {
        if (stop.Requested()) return false;
        Sleep(milliseconds);
        return true;
    }
    uint32_t TickCount() override { return real_.TickCount(); }
    LocalDateTime Now() override { return real_.Now(); }
    std::string FormatShortDate(const LocalDateTime& when) override {
        return real_.FormatShortDate(when);
    }
    std::string FormatLongTime(const LocalDateTime& when) override {
        return real_.FormatLongTime(when);
    }
    std::vector<uint32_t> Pauses() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return pauses_;
    }

private:
    win32::Win32Clock real_;
    mutable std::mutex mutex_;
    std::vector<uint32_t> pauses_;
};

// The layout of the namespace the test runs in ("full" or "bare"), as the lab
// script names it; empty outside the lab.
inline std::string LabLayout() {
    const char* layout = std::getenv("PLOVER_LAB_LAYOUT");
    return layout ? layout : "";
}

class LabMachine {
public:
    LabMachine()
        : os{clock,
             real.Os().debug,
             real.Os().files,
             real.Os().registry,
             real.Os().processes,
             real.Os().system,
             real.Os().adapters,
             real.Os().connections,
             real.Os().sockets,
             real.Os().http,
             real.Os().firewall} {
        RestartLog();
    }

    // From here on: after the temporary folder changed.
    void RestartLog() { logStart_ = LogText().size(); }

    // The log lines written since this machine was made, without their
    // "[timestamp] " prefix.
    std::vector<std::string> NewLogLines() const {
        return testing::LogLinesOf(LogText().substr(logStart_));
    }

    std::string ReadFile(const std::string& path) const {
        auto file = os.files.Open(path, FileAccess::Read, FileShare::ReadWrite,
                                  FileDisposition::OpenExisting);
        if (!file) return {};
        return file->ReadToEnd().value_or(std::string());
    }

    win32::Win32Platform real;
    InstantClock clock;
    const Platform os;

private:
    std::string LogText() const { return ReadFile(GetTempFolder(os) + "PloverToollog"); }
    size_t logStart_ = 0;
};

}  // namespace plover::lab

// Tests that switch connections or run the repairs' programs only ever run
// inside the lab: on a real Windows they would change the machine.
#define PLOVER_REQUIRE_LAB(layout)                   \
    if (::plover::lab::LabLayout() != (layout))      \
    GTEST_SKIP() << "runs inside the \"" << (layout) \
                 << "\" namespace of tests/lab/labs.sh netsettings"
