// The system services against the real Win32 layer under Wine: its real
// registry, files, processes and version answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/win32/Win32Platform.h"
#include "system/Log.h"
#include "system/ProgramRunner.h"
#include "system/RegistryHelpers.h"
#include "system/WindowsVersion.h"

namespace plover {
namespace {

class SystemServicesUnderWine : public ::testing::Test {
protected:
    win32::Win32Platform platform;
    const Platform& os = platform.Os();
    std::string temp = GetTempFolder(os);

    std::string ReadFile(const std::string& path) {
        auto file = os.files.Open(path, FileAccess::Read, FileShare::ReadWrite,
                                  FileDisposition::OpenExisting);
        if (!file) return "<missing>";
        return file->ReadToEnd().value_or("<unreadable>");
    }
    void WriteFile(const std::string& path, const std::string& content) {
        auto file = os.files.Open(path, FileAccess::ReadWrite, FileShare::None,
                                  FileDisposition::CreateAlways);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write(content));
    }
};

TEST_F(SystemServicesUnderWine, TemporaryFolderEndsWithABackslashAndExists) {
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(os.files.Exists(temp + "."));
}

TEST_F(SystemServicesUnderWine, RunProgramWaitsForCmdAndItsRedirectedOutput) {
    const std::string out = temp + "plover_runprogram.txt";
    os.files.Delete(out);
    RunProgram(os, "cmd.exe /c echo plover-was-here> " + out);
    EXPECT_EQ(ReadFile(out), "plover-was-here\r\n");
    os.files.Delete(out);
}

TEST_F(SystemServicesUnderWine, RunProgramOfAMissingProgramReturnsAtOnce) {
    EXPECT_EQ(os.processes.RunHiddenAndWait("plover-no-such-program.exe /x", 60000, ""),
              ProgramOutcome::NotStarted);
    RunProgram(os, "plover-no-such-program.exe /x");
}

// Run only as the hung programs of the next tests.
// What the hosts repair does to a file that a hijacker locked.
TEST_F(SystemServicesUnderWine, AttributesAreReadAndClearedAndAFileIsReplacedInOneStep) {
    const std::string locked = temp + "plover_locked.txt";
    const std::string fresh = temp + "plover_locked.new";
    constexpr uint32_t Locking =
        FileAttribute::ReadOnly | FileAttribute::Hidden | FileAttribute::System;
    os.files.SetAttributes(locked, 0);
    WriteFile(locked, "old");
    WriteFile(fresh, "new");
    ASSERT_TRUE(os.files.SetAttributes(locked, Locking));
    ASSERT_TRUE(os.files.Attributes(locked));
    EXPECT_EQ(*os.files.Attributes(locked) & Locking, Locking);
    // Windows would refuse to replace it now; Wine, run as root, would not.
    EXPECT_TRUE(os.files.SetAttributes(locked, *os.files.Attributes(locked) & ~Locking));
    EXPECT_EQ(*os.files.Attributes(locked) & Locking, 0u);
    EXPECT_TRUE(os.files.Replace(fresh, locked));
    EXPECT_EQ(ReadFile(locked), "new");
    EXPECT_FALSE(os.files.Exists(fresh));
    EXPECT_FALSE(os.files.Attributes(temp + "plover_no_such_file"));
    os.files.Delete(locked);
}

TEST(HungProgram, DISABLED_SleepsForAMinute) { ::Sleep(60000); }

TEST(HungProgram, DISABLED_HoldsAFileForAMinute) {
    win32::Win32Platform platform;
    auto held = platform.Os().files.Open(GetTempFolder(platform.Os()) + "plover_held.txt",
                                         FileAccess::ReadWrite, FileShare::None,
                                         FileDisposition::CreateAlways);
    ::Sleep(60000);
}

TEST_F(SystemServicesUnderWine, AHungProgramIsStoppedAtTheTimeLimit) {
    const std::string self = os.system.ExecutablePath();
    const std::string commandLine = "\"" + self +
                                    "\" --gtest_also_run_disabled_tests "
                                    "--gtest_filter=HungProgram.DISABLED_SleepsForAMinute";
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(os.processes.RunHiddenAndWait(commandLine, 1500, ""), ProgramOutcome::TimedOut);
    EXPECT_LT(::GetTickCount() - start, 30000u);
}

TEST_F(SystemServicesUnderWine, AHungCommandIsStoppedWithTheProgramItStarted) {
    const std::string held = temp + "plover_held.txt";
    os.files.Delete(held);
    const std::string commandLine = "cmd.exe /c \"" + os.system.ExecutablePath() +
                                    "\" --gtest_also_run_disabled_tests "
                                    "--gtest_filter=HungProgram.DISABLED_HoldsAFileForAMinute";
    EXPECT_EQ(os.processes.RunHiddenAndWait(commandLine, 8000, ""), ProgramOutcome::TimedOut);
    ASSERT_TRUE(os.files.Exists(held)) << "the child never started";
    // The child of cmd.exe is gone too: its file opens without sharing.
    std::unique_ptr<OpenFile> file;
    for (int attempt = 0; attempt < 50 && !file; ++attempt) {
        file = os.files.Open(held, FileAccess::ReadWrite, FileShare::None,
                             FileDisposition::OpenExisting);
        if (!file) ::Sleep(100);
    }
    EXPECT_TRUE(file);
    file.reset();
    os.files.Delete(held);
}

TEST_F(SystemServicesUnderWine, LogIsWrittenWithCrLfAndLosesLinesWhileHeldElsewhere) {
    const std::string log = temp + "PloverToollog";
    os.files.Delete(log);
    WriteLog(os, "first", "line");
    {
        // Another opener without sharing: the log's own open must fail.
        auto holder = os.files.Open(log, FileAccess::ReadWrite, FileShare::None,
                                    FileDisposition::OpenExisting);
        ASSERT_TRUE(holder);
        WriteLog(os, "lost", "line");
    }
    WriteLog(os, "third", "");
    const std::string text = ReadFile(log);
    EXPECT_NE(text.find("] first line\r\n["), std::string::npos) << text;
    EXPECT_EQ(text.find("lost"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 10), "] third \r\n") << text;
    EXPECT_EQ(text.front(), '[');
}

TEST_F(SystemServicesUnderWine, LogOverTheLimitIsCutToItsNewerHalf) {
    const std::string log = temp + "PloverToollog";
    std::string old;
    for (int i = 0; i < 3000; ++i) {
        std::string line = "old line " + std::to_string(i) + " ";
        line.resize(98, '.');
        old += line + "\r\n";
    }
    old += "z";  // 300,001 bytes in 3001 lines
    WriteFile(log, old);
    WriteLog(os, "after", "cut");
    const std::string text = ReadFile(log);
    EXPECT_EQ(text.substr(0, 14), "old line 1500 ");
    EXPECT_EQ(text.find("old line 1499 "), std::string::npos);
    EXPECT_NE(text.find("\r\nz\r\n["), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 13), "] after cut\r\n");
    EXPECT_LT(text.size(), 160000u);
    os.files.Delete(log);
}

const char* TestKey = "Software\\PloverToolTests\\Registry";

TEST_F(SystemServicesUnderWine, RegistryStringsRoundTripAndWrongTypesReadEmpty) {
    os.registry.DeleteKey(RegistryRoot::CurrentUser, TestKey);
    EXPECT_EQ(RegReadString(os, RegistryRoot::CurrentUser, TestKey, "Name"), "");
    ASSERT_TRUE(RegWriteString(os, RegistryRoot::CurrentUser, TestKey, "Name", "8.8.4.4,1.0.0.1"));
    EXPECT_EQ(RegReadString(os, RegistryRoot::CurrentUser, TestKey, "Name"), "8.8.4.4,1.0.0.1");
    EXPECT_EQ(RegReadString(os, RegistryRoot::CurrentUser, TestKey, "Missing"), "");

    auto key =
        OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::CurrentUser, TestKey, false);
    ASSERT_TRUE(key);
    const std::string dword("\x01\x00\x00\x00", 4);
    ASSERT_TRUE(key->WriteValue("Number", RegistryValueType::Dword, dword));
    EXPECT_EQ(RegReadString(os, RegistryRoot::CurrentUser, TestKey, "Number"), "");
    EXPECT_EQ(RegReadMultiString(os, RegistryRoot::CurrentUser, TestKey, "Number"), "");
    EXPECT_EQ(RegReadMultiString(os, RegistryRoot::CurrentUser, TestKey, "Name"), "");
    key.reset();
    EXPECT_TRUE(os.registry.DeleteKey(RegistryRoot::CurrentUser, TestKey));
    EXPECT_FALSE(
        OpenRegistryKey(os, RegistryAccess::Read, RegistryRoot::CurrentUser, TestKey, false));
}

TEST_F(SystemServicesUnderWine, MultiStringsReadAsLinesWithoutATrailingBreak) {
    auto key = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                               "SOFTWARE\\PloverToolTests\\Multi", true);
    ASSERT_TRUE(key);
    const std::string two(
        "192.168.0.1\0"
        "10.0.0.1\0\0",
        22);
    const std::string one("1.2.3.4\0\0", 9);
    const std::string none("\0\0", 2);
    ASSERT_TRUE(key->WriteValue("Two", RegistryValueType::MultiString, two));
    ASSERT_TRUE(key->WriteValue("One", RegistryValueType::MultiString, one));
    ASSERT_TRUE(key->WriteValue("None", RegistryValueType::MultiString, none));
    const auto read = [&](const char* name) {
        return RegReadMultiString(os, RegistryRoot::LocalMachine,
                                  "SOFTWARE\\PloverToolTests\\Multi", name);
    };
    EXPECT_EQ(read("Two"), "192.168.0.1\n10.0.0.1");
    EXPECT_EQ(read("One"), "1.2.3.4");
    EXPECT_EQ(read("None"), "");
    EXPECT_EQ(RegReadMultiString(os, RegistryRoot::LocalMachine, "SOFTWARE\\PloverToolTests\\Nope",
                                 "Two"),
              "");
    key.reset();
    EXPECT_TRUE(
        os.registry.DeleteKey(RegistryRoot::LocalMachine, "SOFTWARE\\PloverToolTests\\Multi"));
}

// The discovered run sees the prefix's default version; the _xp and _vista
// copies of this program are registered with other versions and told what
// to expect.
TEST(PrefixVersion, CodeAndServicePackMatchThePrefix) {
    win32::Win32Platform platform;
    const char* code = std::getenv("PLOVER_EXPECT_VERSION_CODE");
    const char* servicePack = std::getenv("PLOVER_EXPECT_SERVICE_PACK");
    EXPECT_EQ(GetWindowsVersionCode(platform.Os()), code ? std::atoi(code) : 3000);
    EXPECT_EQ(GetServicePackText(platform.Os()), servicePack ? servicePack : "Service Pack 1");
    // The kernel's own answer agrees with the prefix's version in its major
    // number; a 64-bit program is never redirected.
    const auto trueVersion = platform.Os().system.TrueVersion();
    ASSERT_TRUE(trueVersion.has_value());
    EXPECT_EQ(trueVersion->majorVersion, platform.Os().system.GetVersion()->majorVersion);
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(platform.Os().system.RunsUnderWow64());
    }
}

// Windows 10 as a program seen by a system that takes it for an older one:
// the kernel's own answer is the true one, and the Winsock reset takes the
// system's own road there.
TEST(TrueVersion, TheKernelsAnswerIsTheSystemsOwn) {
    const char* expected = std::getenv("PLOVER_EXPECT_TRUE_VERSION");
    if (!expected) GTEST_SKIP() << "only the copy that sees Windows 10";
    win32::Win32Platform platform;
    const std::string text = TrueWindowsVersionText(platform.Os());
    EXPECT_EQ(text.substr(0, std::string(expected).size() + 1), std::string(expected) + ".");
    EXPECT_TRUE(IsWindows7OrLater(platform.Os()));
    const int32_t code = GetWindowsVersionCode(platform.Os());
    EXPECT_TRUE(code == WindowsVersion::WindowsVista || code == WindowsVersion::Unknown) << code;
}

}  // namespace
}  // namespace plover
