#include <gtest/gtest.h>

#include "checks/HostsFile.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using Fields = std::vector<std::string>;

TEST(HostsLineFields, BlankTabCommentAndTrimRules) {
    EXPECT_EQ(HostsLineFields("127.0.0.1 localhost"), (Fields{"127.0.0.1", "localhost"}));
    EXPECT_EQ(HostsLineFields("10.0.0.7\t\twww.lab.test\talias"),
              (Fields{"10.0.0.7", "www.lab.test", "alias"}));
    // Blanks inside the first field win: the part after the first tab goes.
    EXPECT_EQ(HostsLineFields("10.0.0.7   www.lab.test\tignored"),
              (Fields{"10.0.0.7", "www.lab.test"}));
    EXPECT_EQ(HostsLineFields("10.0.0.7 \twww.lab.test"), (Fields{"10.0.0.7"}));
    EXPECT_EQ(HostsLineFields("\x01 \t 10.0.0.7\twww\x02\r"), (Fields{"10.0.0.7", "www"}));
    EXPECT_TRUE(HostsLineFields("   # 10.0.0.7 www.lab.test").empty());
    EXPECT_TRUE(HostsLineFields(" \t\r ").empty());
    // Bytes above 127 are no control characters.
    EXPECT_EQ(HostsLineFields("\xe9 x\xff"), (Fields{"\xe9", "x\xff"}));
}

TEST(MatchingHostsEntries, SubstringOfTheSecondFieldInFileOrder) {
    const std::string text =
        "# 10.9.9.9 www.lab.test\r\n"
        "10.0.0.1\tmail.lab.test\n"
        "10.0.0.2 www.lab.test.evil\r"
        "10.0.0.3\tWWW.LAB.TEST\r\n"
        "10.0.0.4 other www.lab.test\n"
        "10.0.0.5\twww.lab.test";
    const auto entries = MatchingHostsEntries(text, "www.lab.test");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].address, "10.0.0.2");
    EXPECT_EQ(entries[0].names, "www.lab.test.evil");
    EXPECT_EQ(entries[1].address, "10.0.0.5");
    EXPECT_TRUE(MatchingHostsEntries("", "www.lab.test").empty());
    EXPECT_TRUE(MatchingHostsEntries("www.lab.test", "www.lab.test").empty());
}

TEST(ReadHostsFile, MissingLockedOrOversizedFilesGiveNoText) {
    standin::FakeWindows machine;
    const std::string path = "C:\\WINDOWS\\system32\\drivers\\etc\\hosts";
    EXPECT_FALSE(ReadHostsFile(machine.Os(), path));
    machine.files.SetContent(path, "127.0.0.1 localhost");
    EXPECT_EQ(ReadHostsFile(machine.Os(), path), "127.0.0.1 localhost");
    // Someone else reading it does not keep it from us.
    auto reader = machine.files.HoldOpen(path, FileShare::ReadWrite);
    EXPECT_TRUE(ReadHostsFile(machine.Os(), path));
    reader.reset();
    machine.files.SetContent(path, std::string(HostsFileReadLimit, '#'));
    EXPECT_TRUE(ReadHostsFile(machine.Os(), path));
    machine.files.SetContent(path, std::string(HostsFileReadLimit + 1, '#'));
    EXPECT_FALSE(ReadHostsFile(machine.Os(), path));
    machine.files.DenyAccess(path);
    EXPECT_FALSE(ReadHostsFile(machine.Os(), path));
}

}  // namespace
}  // namespace plover
