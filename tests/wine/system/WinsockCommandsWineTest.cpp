// The reset's and the check's command lines, run by Wine's own cmd.exe,
// reg.exe and netsh, from a temporary folder with and without blanks. They
// run only inside the lab: on a real Windows they would reset its network.

// clang-format off
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "system/WinsockCatalogRepair.h"
#include "tests/wine/lab/LabMachine.h"

namespace plover {
namespace {

constexpr DWORD ProgramWaitMs = 60000;
const char* const TestKey = "SOFTWARE\\PloverToolWineTest";

// Runs a command line as the program runner does: hidden, waited for, but
// never longer than a minute here.
bool RunHidden(const std::string& commandLine, const std::string& workingFolder = "") {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    std::string text = commandLine;
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                        nullptr, workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup,
                        &process)) {
        return false;
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, ProgramWaitMs);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == WAIT_OBJECT_0;
}

std::string TempPath() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    return std::string(buffer, length);
}

bool RunHidden(const ProgramCommand& command) {
    return RunHidden(command.line, command.workingFolder);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A string value under the test key, or "<missing>".
std::string ValueOf(const std::string& subkey, const char* name) {
    HKEY key = nullptr;
    const std::string path = std::string(TestKey) + "\\" + subkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<missing>";
    }
    char data[256] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data) : "<missing>";
}

void DeleteTestKeys() {
    for (const char* sub : {"\\WinSock2", "\\WinSock", ""}) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(TestKey) + sub).c_str());
    }
}

// Small exports in both formats that the branding block may carry.
const std::string Export5 =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolWineTest\\WinSock2]\r\n"
    "\"Marker\"=\"two\"\r\n"
    "\"Path\"=\"%SystemRoot%\\\\system32\\\\mswsock.dll\"\r\n\r\n";
const std::string Export4 =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolWineTest\\WinSock]\r\n"
    "\"Marker\"=\"one\"\r\n\r\n";

class WinsockCommands : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        PLOVER_REQUIRE_LAB("full");
        folder = TempPath() + GetParam() + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteTestKeys();
    }
    void TearDown() override {
        if (folder.empty()) return;
        DeleteTestKeys();
        for (const char* name : {Winsock2RegFile, WinsockRegFile, WinsockAnswerFile,
                                 CatalogResetAnswerFile, IpResetLogFile}) {
            DeleteFileA((folder + name).c_str());
        }
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
};

TEST_P(WinsockCommands, ExportFilesImportCleanly) {
    WriteFile(folder + Winsock2RegFile, Export5);
    WriteFile(folder + WinsockRegFile, Export4);
    const auto steps = WinsockResetSteps(folder);
    ASSERT_EQ(steps.size(), 5u);
    const ProgramCommand& import2 = steps[2].command;
    const ProgramCommand& import1 = steps[3].command;
    ASSERT_TRUE(RunHidden(import2)) << import2.line;
    ASSERT_TRUE(RunHidden(import1)) << import1.line;
    EXPECT_EQ(ValueOf("WinSock2", "Marker"), "two") << import2.line;
    EXPECT_EQ(ValueOf("WinSock2", "Path"), "%SystemRoot%\\system32\\mswsock.dll");
    EXPECT_EQ(ValueOf("WinSock", "Marker"), "one") << import1.line;
}

TEST_P(WinsockCommands, RedirectionsLandInTheTemporaryFolder) {
    // netsh prints nothing under Wine, but the interpreter creates the target
    // of "> file" all the same: the file's presence proves the line parsed.
    const ProgramCommand check = WinsockCheckCommand(folder);
    ASSERT_TRUE(RunHidden(check)) << check.line;
    EXPECT_TRUE(FileExists(folder + WinsockAnswerFile)) << check.line;

    const ProgramCommand catalog = WinsockResetSteps(folder)[4].command;
    ASSERT_TRUE(RunHidden(catalog)) << catalog.line;
    EXPECT_TRUE(FileExists(folder + CatalogResetAnswerFile)) << catalog.line;

    const ProgramCommand ipReset = IpResetCommand(folder);
    EXPECT_TRUE(RunHidden(ipReset)) << ipReset.line;
}

INSTANTIATE_TEST_SUITE_P(TempFolders, WinsockCommands,
                         ::testing::Values("PloverCmdTest", "Plover Cmd Test", "Plover&Cmd(100%)!^",
                                           "Plover%TEMP%"));

// Why the folder is quoted: unquoted, the blank splits the file argument
// and reg.exe imports nothing.
TEST(WinsockCommandsUnquoted, ABlankInThePathBreaksTheImport) {
    PLOVER_REQUIRE_LAB("full");
    const std::string folder = TempPath() + "Plover Cmd Test\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteTestKeys();
    WriteFile(folder + WinsockRegFile, Export4);
    ASSERT_TRUE(RunHidden("cmd.exe /c reg import " + folder + WinsockRegFile));
    EXPECT_EQ(ValueOf("WinSock", "Marker"), "<missing>");
    DeleteFileA((folder + WinsockRegFile).c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteTestKeys();
}

// Why such a folder stays out of the line: named in full, as a blank-free
// folder always was, its "&" ends the import and starts a command of the
// folder's choosing ("md", which takes ";" between its arguments). Run in the
// folder with bare file names, nothing but the import runs.
TEST(WinsockCommandsInjection, AFolderNameRunsNothingOfItsOwn) {
    PLOVER_REQUIRE_LAB("full");
    const std::string folder = TempPath() + "Plover&md;PloverInjected\\";
    const std::string injected = TempPath() + "PloverInjected";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    DeleteTestKeys();
    WriteFile(folder + WinsockRegFile, Export4);

    ASSERT_TRUE(RunHidden(WinsockResetSteps(folder)[3].command));
    EXPECT_FALSE(FileExists(injected));
    EXPECT_EQ(ValueOf("WinSock", "Marker"), "one");

    ASSERT_TRUE(RunHidden("cmd.exe /c reg import " + folder + WinsockRegFile, TempPath()));
    EXPECT_TRUE(FileExists(injected)) << "the folder name ran nothing: the test proves nothing";

    RemoveDirectoryA((injected + "\\" + WinsockRegFile).c_str());
    RemoveDirectoryA(injected.c_str());
    DeleteFileA((folder + WinsockRegFile).c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteTestKeys();
}

}  // namespace
}  // namespace plover
