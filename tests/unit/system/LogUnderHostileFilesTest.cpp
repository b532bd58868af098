// The log when its file or its folder works against it: held by another
// program, read-only, on a full disk, failing its writes. Lines may be lost;
// the record already written never is, and no fragment is left behind.
#include <gtest/gtest.h>

#include "system/Log.h"
#include "tests/standin/FakeWindows.h"
#include "tests/support/LogLines.h"

namespace plover {
namespace {

using plover::testing::Lines;

using standin::FakeWindows;

constexpr const char* Stamp = "[12/8/2026 4:05:27 AM] ";

// The record at 300,001 bytes, and what the cut leaves of it.
const std::string OverLimit = Lines(3000, 100) + "z";
const std::string AfterCut = OverLimit.substr(1500 * 100) + "\r\n";

TEST(LogUnderHostileFiles, AReadOnlyLogLosesEveryLineAndKeepsItsRecord) {
    FakeWindows machine;
    machine.files.SetContent(machine.LogPath(), "[old] kept \r\n");
    machine.files.MakeReadOnly(machine.LogPath());
    WriteLog(machine.Os(), "lost", "line");
    EXPECT_EQ(machine.LogText(), "[old] kept \r\n");
    EXPECT_EQ(machine.debug.Outputs(), (std::vector<std::string>{"lost", "line"}));
}

TEST(LogUnderHostileFiles, OnAFullDiskALineIsLostWholeAndTheNextOneLandsClean) {
    FakeWindows machine;
    WriteLog(machine.Os(), "first", "");
    // Room for a few bytes only: the line does not fit and leaves nothing.
    machine.files.SetFreeSpace(machine.TempFolder(), 10);
    WriteLog(machine.Os(), "does not fit", "here");
    EXPECT_EQ(machine.LogText(), std::string(Stamp) + "first \r\n");
    EXPECT_EQ(machine.files.FreeSpace(machine.TempFolder()), 10u);
    machine.files.SetFreeSpace(machine.TempFolder(), 1000);
    WriteLog(machine.Os(), "second", "");
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"first ", "second "}));
}

TEST(LogUnderHostileFiles, TheCutOnAFullDiskGivesTheSameBytesAsOnAnEmptyOne) {
    FakeWindows roomy;
    roomy.files.SetContent(roomy.LogPath(), OverLimit);
    WriteLog(roomy.Os(), "new", "line");

    FakeWindows full;
    full.files.SetContent(full.LogPath(), OverLimit);
    full.files.SetFreeSpace(full.TempFolder(), 0);
    WriteLog(full.Os(), "new", "line");
    // The newer half is rewritten in place; the new line fits in what the
    // older half gave back.
    EXPECT_EQ(full.LogText(), AfterCut + Stamp + "new line\r\n");
    EXPECT_EQ(full.LogText(), roomy.LogText());
}

TEST(LogUnderHostileFiles, ACutThatCannotBeWrittenLeavesTheWholeRecord) {
    // Every write fails (a failing disk): formerly the file was emptied.
    FakeWindows failing;
    failing.files.SetContent(failing.LogPath(), OverLimit);
    failing.files.FailWrites(failing.LogPath());
    WriteLog(failing.Os(), "new", "line");
    EXPECT_EQ(failing.LogText(), OverLimit);

    // A single overlong line gains a CR LF in the cut: on a full disk that
    // does not fit, the rewrite stops part-way and the line goes back whole.
    FakeWindows full;
    const std::string longLine(300001, 'q');
    full.files.SetContent(full.LogPath(), longLine);
    full.files.SetFreeSpace(full.TempFolder(), 1);
    WriteLog(full.Os(), "new", "line");
    EXPECT_EQ(full.LogText(), longLine);
}

TEST(LogUnderHostileFiles, AHolderThatGrabsTheLogAfterACutOnlyCostsLaterLines) {
    FakeWindows machine;
    machine.files.SetContent(machine.LogPath(), OverLimit);
    std::unique_ptr<OpenFile> grabbed;
    // The other program opens the log, without sharing, the moment the cut's
    // call lets go of it.
    machine.files.AfterNextClose(machine.LogPath(), [&] {
        grabbed = machine.files.HoldOpen(machine.LogPath(), FileShare::None);
    });
    WriteLog(machine.Os(), "new", "line");
    ASSERT_TRUE(grabbed);
    WriteLog(machine.Os(), "lost", "line");
    grabbed.reset();
    EXPECT_EQ(machine.LogText(), AfterCut + Stamp + "new line\r\n");
}

}  // namespace
}  // namespace plover
