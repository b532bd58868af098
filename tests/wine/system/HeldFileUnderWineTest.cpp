// The hold on a registry export file against the real Win32 file system:
// while the program holds the file, no other opener may write, delete or
// rename it, yet reg.exe imports it; a file another program holds open for
// writing is not taken.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Win32Platform.h"
#include "system/HeldFile.h"
#include "system/ProgramRunner.h"
#include "system/RegistryHelpers.h"
#include "system/WindowsVersion.h"

namespace plover {
namespace {

const char* const TestKey = "SOFTWARE\\PloverToolHeldFileTest";

class HeldFileUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        path = GetTempFolder(os) + "plover_held.reg";
        DeleteFileA(path.c_str());
        os.registry.DeleteKey(RegistryRoot::LocalMachine, TestKey);
    }
    void TearDown() override {
        DeleteFileA(path.c_str());
        DeleteFileA((path + ".moved").c_str());
        os.registry.DeleteKey(RegistryRoot::LocalMachine, TestKey);
    }
    // An opener other than the holder, as CreateFile answers it.
    DWORD OpenError(DWORD access, DWORD share) {
        HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return GetLastError();
        CloseHandle(handle);
        return ERROR_SUCCESS;
    }

    win32::Win32Platform platform;
    const Platform& os = platform.Os();
    std::string path;
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolHeldFileTest]\r\n"
        "\"Marker\"=\"held\"\r\n\r\n";
};

TEST_F(HeldFileUnderWine, NobodyElseWritesDeletesOrRenamesTheHeldFile) {
    auto held = WriteAndHoldFile(os.files, path, text);
    ASSERT_TRUE(held);
    const DWORD everyShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    EXPECT_EQ(OpenError(GENERIC_WRITE, everyShare), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(OpenError(DELETE, everyShare), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
    // Reading is let in, as reg.exe needs.
    EXPECT_EQ(OpenError(GENERIC_READ, FILE_SHARE_READ), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(OpenError(GENERIC_READ, everyShare), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(held->ReadToEnd(), text);

    held.reset();
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(HeldFileUnderWine, RegImportsTheHeldFile) {
    auto held = WriteAndHoldFile(os.files, path, text);
    ASSERT_TRUE(held);
    RunProgram(os, "cmd.exe /c reg import " + path);
    EXPECT_EQ(RegReadString(os, RegistryRoot::LocalMachine, TestKey, "Marker"), "held");
}

TEST_F(HeldFileUnderWine, AFileHeldOpenForWritingByAnotherIsNotTaken) {
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteAndHoldFile(os.files, path, text));
    CloseHandle(other);
    // A reader that lets others write does not stand in the way.
    other = CreateFileA(path.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteAndHoldFile(os.files, path, text));
    CloseHandle(other);
}

}  // namespace
}  // namespace plover
