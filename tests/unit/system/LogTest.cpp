#include <gtest/gtest.h>

#include "system/Log.h"
#include "tests/standin/FakeWindows.h"
#include "tests/support/LogLines.h"

namespace plover {
namespace {

using plover::testing::Lines;

using standin::FakeWindows;

TEST(TrueFalse, WritesATruthValueAsTheLogShowsIt) {
    EXPECT_STREQ(TrueFalse(true), "True");
    EXPECT_STREQ(TrueFalse(false), "False");
}

TEST(WriteLog, FirstCallCreatesTheLogWithOneStampedLine) {
    FakeWindows machine;
    WriteLog(machine.Os(), "hardware check", "");
    EXPECT_EQ(machine.LogText(), "[12/8/2026 4:05:27 AM] hardware check \r\n");
    EXPECT_TRUE(machine.files.HasFile("C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\PloverToollog"));
}

TEST(WriteLog, EmptyTextsLeaveTwoBlanksAndLinesAppendInOrder) {
    FakeWindows machine;
    WriteLog(machine.Os(), "", "");
    WriteLog(machine.Os(), "adapters found ", "2");
    EXPECT_EQ(machine.LogText(),
              "[12/8/2026 4:05:27 AM]  \r\n"
              "[12/8/2026 4:05:27 AM] adapters found  2\r\n");
}

TEST(WriteLog, TimestampFollowsTheClockAndDropsTheTimeAtMidnight) {
    FakeWindows machine;
    machine.clock.SetNow({2026, 12, 31, 23, 59, 59, 0});
    WriteLog(machine.Os(), "a", "b");
    machine.clock.Sleep(1000);
    WriteLog(machine.Os(), "c", "d");
    machine.clock.Sleep(13 * 3600 * 1000);
    WriteLog(machine.Os(), "e", "f");
    EXPECT_EQ(machine.LogText(),
              "[12/31/2026 11:59:59 PM] a b\r\n"
              "[1/1/2027] c d\r\n"
              "[1/1/2027 1:00:00 PM] e f\r\n");
}

TEST(WriteLog, TextsWithLineBreaksAreWrittenUnchanged) {
    FakeWindows machine;
    WriteLog(machine.Os(), "winsock answer: ", "line1\r\nline2\n");
    EXPECT_EQ(machine.LogText(), "[12/8/2026 4:05:27 AM] winsock answer:  line1\r\nline2\n\r\n");
}

TEST(WriteLog, SendsItsTextsToTheDebuggerWithOrWithoutTheFile) {
    FakeWindows machine;
    WriteLog(machine.Os(), "message", "detail");
    EXPECT_EQ(machine.debug.Outputs(),
              (std::vector<std::string>{"needs to write", "message", "detail"}));

    // Another process holds the log even with sharing allowed for readers:
    // the line is lost without error, the debugger still gets the texts.
    auto holder = machine.files.HoldOpen(machine.LogPath(), FileShare::Read);
    ASSERT_TRUE(holder);
    WriteLog(machine.Os(), "lost", "line");
    holder.reset();
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"message detail"}));
    const auto outputs = machine.debug.Outputs();
    EXPECT_EQ(std::vector<std::string>(outputs.end() - 2, outputs.end()),
              (std::vector<std::string>{"lost", "line"}));
}

TEST(WriteLog, NoTemporaryFolderLosesTheLineWithoutError) {
    FakeWindows machine;
    machine.files.RemoveFolder(machine.TempFolder());
    WriteLog(machine.Os(), "message", "detail");
    EXPECT_FALSE(machine.files.HasFile(machine.LogPath()));
    EXPECT_EQ(machine.debug.Outputs(), (std::vector<std::string>{"message", "detail"}));
}

TEST(WriteLog, AFileOfExactlyTheLimitIsNotCut) {
    FakeWindows machine;
    const std::string old = Lines(3000, 100);  // 300,000 bytes
    ASSERT_EQ(old.size(), 300000u);
    machine.files.SetContent(machine.LogPath(), old);
    WriteLog(machine.Os(), "new", "line");
    EXPECT_EQ(machine.LogText(), old + "[12/8/2026 4:05:27 AM] new line\r\n");
    for (const auto& text : machine.debug.Outputs()) EXPECT_NE(text, "truncate");
}

TEST(WriteLog, OneByteOverTheLimitDropsTheOlderHalfThenAppends) {
    FakeWindows machine;
    const std::string old = Lines(3000, 100) + "z";  // 300,001 bytes, 3001 lines
    machine.files.SetContent(machine.LogPath(), old);
    WriteLog(machine.Os(), "new", "line");
    // 3001 lines lose 1500 and keep 1501; the unended last line gains CR LF.
    const std::string kept = old.substr(1500 * 100) + "\r\n";
    EXPECT_EQ(machine.LogText(), kept + "[12/8/2026 4:05:27 AM] new line\r\n");
    const auto outputs = machine.debug.Outputs();
    EXPECT_EQ(outputs[0], "needs to write");
    EXPECT_EQ(outputs[1], "truncate");
}

TEST(WriteLog, CutCountsLoneCarriageReturnsAndLineFeedsAsLineEnds) {
    FakeWindows machine;
    std::string old(300001, 'a');
    old[100] = '\r';
    old[200] = '\n';
    old[300] = '\r';
    old[301] = '\n';
    old[400] = '\n';  // five lines: cut removes two, keeps three
    machine.files.SetContent(machine.LogPath(), old);
    WriteLog(machine.Os(), "m", "d");
    const std::string expected = old.substr(201, 99) + "\r\n" + old.substr(302, 98) + "\r\n" +
                                 old.substr(401) + "\r\n" + "[12/8/2026 4:05:27 AM] m d\r\n";
    EXPECT_EQ(machine.LogText(), expected);
}

TEST(WriteLog, ASingleOverlongLineSurvivesTheFirstCutAndGoesAtTheSecond) {
    FakeWindows machine;
    const std::string longLine(300001, 'q');
    machine.files.SetContent(machine.LogPath(), longLine);
    WriteLog(machine.Os(), "first", "");
    EXPECT_EQ(machine.LogText(), longLine + "\r\n[12/8/2026 4:05:27 AM] first \r\n");
    WriteLog(machine.Os(), "second", "");
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"first ", "second "}));
}

}  // namespace
}  // namespace plover
