#include <gtest/gtest.h>

#include "system/RegistryHelpers.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
constexpr auto HKLM = RegistryRoot::LocalMachine;
const std::string Key = std::string(InterfacesKeyPath) + "{A1}";

TEST(InterfaceKey, IsTheAdaptersPathAndOpensOnlyAnExistingKeyForWriting) {
    FakeWindows machine;
    const auto& os = machine.Os();
    EXPECT_EQ(InterfaceKeyPath("{A1}"),
              "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A1}");
    EXPECT_EQ(OpenInterfaceKey(os, Key), nullptr);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, Key));

    machine.registry.SetString(HKLM, Key, "Domain", "example.lan");
    auto key = OpenInterfaceKey(os, InterfaceKeyPath("{A1}"));
    ASSERT_TRUE(key);
    EXPECT_TRUE(
        key->WriteValue("NameServer", RegistryValueType::String, std::string("10.0.0.1\0", 9)));
    EXPECT_EQ(machine.registry.StringValue(HKLM, Key, "NameServer"), "10.0.0.1");
    // Without the rights to change it, the key is not opened at all.
    machine.registry.DenyWrites(HKLM);
    EXPECT_EQ(OpenInterfaceKey(os, Key), nullptr);
}

TEST(RegReadString, ReadsStringsAsStoredAndAnythingElseAsEmpty) {
    FakeWindows machine;
    machine.registry.SetString(HKLM, Key, "Domain", "example.lan");
    machine.registry.SetRaw(HKLM, Key, "Expand", RegistryValueType::ExpandString,
                            std::string("%windir%\\x\0", 12));
    machine.registry.SetDword(HKLM, Key, "EnableDHCP", 1);
    machine.registry.SetMultiString(HKLM, Key, "IPAddress", {"10.0.0.5"});
    machine.registry.SetRaw(HKLM, Key, "NoTerminator", RegistryValueType::String, "abc");

    const auto& os = machine.Os();
    EXPECT_EQ(RegReadString(os, HKLM, Key, "Domain"), "example.lan");
    EXPECT_EQ(RegReadString(os, HKLM, Key, "Expand"), "%windir%\\x");
    EXPECT_EQ(RegReadString(os, HKLM, Key, "NoTerminator"), "abc");
    EXPECT_EQ(RegReadString(os, HKLM, Key, "EnableDHCP"), "");
    EXPECT_EQ(RegReadString(os, HKLM, Key, "IPAddress"), "");
    EXPECT_EQ(RegReadString(os, HKLM, Key, "Missing"), "");
    EXPECT_EQ(RegReadString(os, HKLM, Key + "x", "Domain"), "");
}

TEST(RegReadMultiString, JoinsTheStringsWithLineFeeds) {
    FakeWindows machine;
    machine.registry.SetMultiString(HKLM, Key, "One", {"1.2.3.4"});
    machine.registry.SetMultiString(HKLM, Key, "Two", {"192.168.0.1", "10.0.0.1"});
    machine.registry.SetMultiString(HKLM, Key, "None", {});
    machine.registry.SetRaw(HKLM, Key, "Binary", RegistryValueType::Binary,
                            std::string("ab\0c\0\0", 6));
    machine.registry.SetRaw(HKLM, Key, "Tiny", RegistryValueType::MultiString,
                            std::string("\0", 1));
    machine.registry.SetString(HKLM, Key, "Text", "10.0.0.1");

    const auto& os = machine.Os();
    EXPECT_EQ(machine.registry.Value(HKLM, Key, "One")->data.size(), 9u);
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "One"), "1.2.3.4");
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "Two"), "192.168.0.1\n10.0.0.1");
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "None"), "");
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "Binary"), "ab\nc");
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "Tiny"), "");
    // A plain string is not cut into a wrong text; it has no list to give.
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "Text"), "");
    EXPECT_EQ(RegReadMultiString(os, HKLM, Key, "Missing"), "");
    EXPECT_EQ(RegReadMultiString(os, HKLM, "SYSTEM\\Nowhere", "One"), "");
}

TEST(RegWriteString, CreatesTheKeyOrFailsWithoutRights) {
    FakeWindows machine;
    const auto& os = machine.Os();
    EXPECT_TRUE(RegWriteString(os, HKLM, Key, "NameServer", "8.8.8.8,8.8.4.4"));
    EXPECT_EQ(machine.registry.StringValue(HKLM, Key, "NameServer"), "8.8.8.8,8.8.4.4");
    EXPECT_EQ(machine.registry.Value(HKLM, Key, "NameServer")->data,
              std::string("8.8.8.8,8.8.4.4\0", 16));

    machine.registry.DenyWrites(HKLM);
    EXPECT_FALSE(RegWriteString(os, HKLM, "SOFTWARE\\New", "x", "y"));
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "SOFTWARE\\New"));
    // Reading still works for a user without write rights.
    EXPECT_EQ(RegReadString(os, HKLM, Key, "NameServer"), "8.8.8.8,8.8.4.4");
}

}  // namespace
}  // namespace plover
