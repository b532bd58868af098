#include <gtest/gtest.h>

#include "system/HeldFile.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;

const std::string Path = "C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\winsok.reg";
const std::string Text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\x]\r\n";

TEST(WriteAndHoldFile, OthersMayReadButNotWriteOrDeleteWhileItIsHeld) {
    FakeWindows machine;
    machine.files.SetContent(Path, Text + "\"Injected\"=\"value\"\r\n");
    auto held = WriteAndHoldFile(machine.files, Path, Text);
    ASSERT_TRUE(held);
    EXPECT_EQ(machine.files.Content(Path), Text);  // the longer old file is gone
    EXPECT_EQ(held->ReadToEnd(), Text);            // the handle is at the start

    // A reader such as reg.exe gets in, whatever sharing it asks for.
    for (FileShare share : {FileShare::Read, FileShare::ReadWrite}) {
        auto reader =
            machine.files.Open(Path, FileAccess::Read, share, FileDisposition::OpenExisting);
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->ReadToEnd(), Text);
    }
    // Nobody may write it, empty it or delete it.
    for (FileDisposition disposition : {FileDisposition::OpenExisting, FileDisposition::OpenAlways,
                                        FileDisposition::CreateAlways}) {
        EXPECT_FALSE(
            machine.files.Open(Path, FileAccess::ReadWrite, FileShare::ReadWrite, disposition));
    }
    EXPECT_FALSE(machine.files.Delete(Path));
    EXPECT_EQ(machine.files.Content(Path), Text);

    held.reset();
    EXPECT_TRUE(machine.files.Delete(Path));
}

TEST(WriteAndHoldFile, NothingWhenTheFileCannotBeKeptAsWritten) {
    {
        // Another program holds it open for writing.
        FakeWindows machine;
        auto other = machine.files.HoldOpen(Path, FileShare::ReadWrite);
        EXPECT_FALSE(WriteAndHoldFile(machine.files, Path, Text));
    }
    {
        FakeWindows machine;
        machine.files.FailWrites(Path);
        EXPECT_FALSE(WriteAndHoldFile(machine.files, Path, Text));
    }
    {
        // Replaced between the write and the hold, or grown behind the text.
        for (const std::string& swapped : {std::string("REGEDIT4\r\n[evil]"), Text + "[evil]"}) {
            FakeWindows machine;
            machine.files.SetContent(Path, "");
            machine.files.AfterNextClose(Path, [&] { machine.files.SetContent(Path, swapped); });
            EXPECT_FALSE(WriteAndHoldFile(machine.files, Path, Text)) << swapped;
            EXPECT_TRUE(machine.files.Delete(Path)) << "a refused hold left the file open";
        }
    }
    {
        // A reader that shares writing does not stand in the way.
        FakeWindows machine;
        machine.files.SetContent(Path, "old");
        auto scanner = machine.files.Open(Path, FileAccess::Read, FileShare::ReadWrite,
                                          FileDisposition::OpenExisting);
        ASSERT_TRUE(scanner);
        EXPECT_TRUE(WriteAndHoldFile(machine.files, Path, Text));
    }
}

}  // namespace
}  // namespace plover
