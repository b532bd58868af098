// The log on the real Win32 file layer when its file works against it:
// another process holds it without sharing, it carries the read-only
// attribute, or the temporary folder's disk is full (the last only inside
// tests/lab/labs.sh full-temp, which mounts a tiny
// tmpfs there). Lines are lost; the record never is.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "system/HeldFile.h"
#include "system/Log.h"
#include "system/SettingsSnapshot.h"
#include "system/WindowsVersion.h"
#include "tests/support/LogLines.h"

namespace plover {
namespace {

using plover::testing::Lines;

constexpr const char* HoldVariable = "PLOVER_HOLD_FILE";

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

// Writes what fits; the bytes written.
size_t WriteSome(const std::string& path, const std::string& text, DWORD disposition) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return written;
}

// The other process of the held-log test: this same program, started with
// the path in its environment, holds the file without sharing until the
// test leaves a release file beside it (at most half a minute).
TEST(LogHolderProcess, HoldsTheFileNamedInItsEnvironment) {
    const char* path = std::getenv(HoldVariable);
    if (path == nullptr) GTEST_SKIP() << "the holder of another test";
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    WriteSome(std::string(path) + ".ready", "", CREATE_ALWAYS);
    for (int i = 0; i < 300 && !Exists(std::string(path) + ".release"); ++i) Sleep(100);
    CloseHandle(file);
}

// Each test writes its log in a folder of its own: the temporary folder is
// what TMP names.
class LogUnderHostileFilesWine : public ::testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH] = {};
        GetTempPathA(sizeof base, base);
        folder = std::string(base) + "plover-hostile-log-" + std::to_string(GetCurrentProcessId()) +
                 "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        saved = base;
        SetEnvironmentVariableA("TMP", folder.c_str());
        ASSERT_EQ(GetTempFolder(os), folder);
        log = folder + LogFileName;
    }
    void TearDown() override {
        SetEnvironmentVariableA("TMP", saved.c_str());
        SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
        for (const char* suffix : {"", ".ready", ".release"}) {
            DeleteFileA((log + suffix).c_str());
        }
        RemoveDirectoryA(folder.c_str());
    }

    win32::Win32Platform platform;
    const Platform& os = platform.Os();
    std::string folder;
    std::string saved;
    std::string log;
};

TEST_F(LogUnderHostileFilesWine, ALogHeldByAnotherProcessLosesLinesUntilItLetsGo) {
    WriteLog(os, "before", "");
    const std::string record = ReadAll(log);
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string line = std::string("\"") + exe + "\" --gtest_filter=LogHolderProcess.*";
    SetEnvironmentVariableA(HoldVariable, log.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableA(HoldVariable, nullptr);
    ASSERT_TRUE(started);
    for (int i = 0; i < 300 && !Exists(log + ".ready"); ++i) Sleep(100);
    EXPECT_TRUE(Exists(log + ".ready")) << "the holder did not start";

    WriteLog(os, "lost", "while held");

    WriteSome(log + ".release", "", CREATE_ALWAYS);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    WriteLog(os, "after", "");
    const std::string now = ReadAll(log);
    EXPECT_EQ(now.compare(0, record.size(), record), 0);
    EXPECT_NE(now.find("] after \r\n", record.size()), std::string::npos);
    EXPECT_EQ(now.find("while held"), std::string::npos);
}

// Windows refuses every writer of a read-only file, administrators too.
// Wine keeps the attribute as the Unix file's write permission, which root
// passes: there the log is written and cut as on any other day, and that
// must go right as well.
TEST_F(LogUnderHostileFilesWine, AReadOnlyLogIsLeftAsItIsOrCutAsUsual) {
    const std::string record = Lines(3000, 100) + "z";  // over the limit
    ASSERT_EQ(WriteSome(log, record, CREATE_ALWAYS), record.size());
    ASSERT_TRUE(SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileA(log.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool writable = probe != INVALID_HANDLE_VALUE;
    if (writable) CloseHandle(probe);
    WriteLog(os, "after", "read-only");
    const std::string now = ReadAll(log);
    if (!writable) {
        EXPECT_TRUE(now == record) << now.size() << " bytes: " << now.substr(0, 40);
        return;
    }
    std::printf("the read-only attribute does not keep this process out (root under Wine)\n");
    const std::string kept = record.substr(1500 * 100) + "\r\n";
    EXPECT_EQ(now.compare(0, kept.size(), kept), 0);
    const std::string tail = "] after read-only\r\n";
    EXPECT_EQ(now.find(tail, kept.size()), now.size() - tail.size());
}

// Inside the full-temp lab: the whole temporary folder is a tmpfs of 1 MiB.
class FullTempUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("PLOVER_FULL_TEMP") == nullptr) GTEST_SKIP() << "runs only on the tmpfs";
        log = GetTempFolder(os) + LogFileName;
        filler = GetTempFolder(os) + "filler";
    }
    // Fills the disk: what is left after this is less than a line.
    void FillDisk() {
        const std::string block(65536, 'f');
        for (int i = 0; i < 64 && WriteSome(filler, block, OPEN_ALWAYS) == block.size(); ++i) {
        }
        for (int i = 0; i < 4096 && WriteSome(filler, "f", OPEN_ALWAYS) == 1; ++i) {
        }
    }

    win32::Win32Platform platform;
    const Platform& os = platform.Os();
    std::string log;
    std::string filler;
};

TEST_F(FullTempUnderWine, TheLogLosesLinesWholeAndItsCutStillWorks) {
    const std::string record = Lines(3000, 100) + "z";  // 300,001 bytes
    ASSERT_EQ(WriteSome(log, record, CREATE_ALWAYS), record.size());
    FillDisk();
    // The cut rewrites the newer half in place and the line fits in what the
    // older half gave back.
    WriteLog(os, "after", "cut");
    const std::string kept = record.substr(1500 * 100) + "\r\n";
    const std::string tail = "] after cut\r\n";
    std::string now = ReadAll(log);
    ASSERT_GT(now.size(), kept.size() + tail.size());
    EXPECT_EQ(now.compare(0, kept.size(), kept), 0);
    EXPECT_EQ(now.substr(now.size() - tail.size()), tail);
    EXPECT_EQ(now.find("\r\n", kept.size()), now.size() - 2);  // one line after the half

    // Full again: what still fits in the file's own last block is written,
    // the rest is lost whole; no fragment is left for the next line.
    FillDisk();
    const std::string full = ReadAll(log);
    const std::string lost = "lost on a full disk";
    const int tries = 20;
    for (int i = 0; i < tries; ++i) WriteLog(os, lost, std::string(200, 'd'));
    DeleteFileA(filler.c_str());
    WriteLog(os, "room", "again");
    now = ReadAll(log);
    ASSERT_EQ(now.compare(0, full.size(), full), 0);
    const auto lines = testing::LogLinesOf(now.substr(full.size()));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "room again");
    EXPECT_LT(lines.size(), size_t(tries) + 1) << "some line should have met the full disk";
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_EQ(lines[i], lost + " " + std::string(200, 'd'));
    }
}

TEST_F(FullTempUnderWine, TheRunsOtherFilesFailWithoutHarm) {
    FillDisk();
    // The settings snapshot: its path is kept (the close deletes it), the
    // file holds at most a part.
    SettingsSnapshot snapshot;
    WriteSettingsSnapshot(os, snapshot, std::string(100000, 's'));
    EXPECT_FALSE(std::string(snapshot.SettingsSnapshotPath).empty());
    // A registry export that does not fit whole is not held for reg.exe.
    const std::string reg = GetTempFolder(os) + "winsok2.reg";
    EXPECT_EQ(WriteAndHoldFile(os.files, reg, std::string(100000, 'r')), nullptr);
    DeleteFileA(std::string(snapshot.SettingsSnapshotPath).c_str());
    DeleteFileA(reg.c_str());
    DeleteFileA(filler.c_str());
    DeleteFileA(log.c_str());
}

}  // namespace
}  // namespace plover
