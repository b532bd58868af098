#include <gtest/gtest.h>

#include "netsettings/AddressRules.h"
#include "netsettings/NetworkSettings.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
using Lines = std::vector<std::string>;

TEST(IsUsableAddress, RejectsEmptyUnsetAndSelfAssignedOnly) {
    EXPECT_FALSE(IsUsableAddress(""));
    EXPECT_FALSE(IsUsableAddress("0.0.0.0"));
    EXPECT_FALSE(IsUsableAddress("169.254.3.7"));
    // Only the first eight characters are compared.
    EXPECT_TRUE(IsUsableAddress("169.2540.1.1"));
    EXPECT_TRUE(IsUsableAddress("192.168.1.10"));
    EXPECT_TRUE(IsUsableAddress("0.0.0.1"));
}

TEST(IsUsableGateway, RejectsAnyTextHoldingAnUnsetEntry) {
    EXPECT_FALSE(IsUsableGateway(""));
    EXPECT_FALSE(IsUsableGateway("0.0.0.0"));
    EXPECT_FALSE(IsUsableGateway("10.0.0.0"));
    EXPECT_FALSE(IsUsableGateway("192.168.1.1\n0.0.0.0"));
    EXPECT_FALSE(IsUsableGateway("10 0 0 1"));
    EXPECT_TRUE(IsUsableGateway("192.168.1.1"));
    EXPECT_TRUE(IsUsableGateway("192.168.1.1\n10.0.0.1"));
}

TEST(InetAddr, ReadsDottedTextsInNetworkOrderAndAllOnesOtherwise) {
    EXPECT_EQ(InetAddr("192.168.1.10"), 167880896u);
    EXPECT_EQ(InetAddr("255.255.255.0"), 16777215u);
    EXPECT_EQ(InetAddr("0.0.0.0"), 0u);
    // Short forms, octal and hexadecimal parts as the socket library reads them.
    EXPECT_EQ(InetAddr("10.1"), InetAddr("10.0.0.1"));
    EXPECT_EQ(InetAddr("192.168.257"), InetAddr("192.168.1.1"));
    EXPECT_EQ(InetAddr("0x0A.010.0.1"), InetAddr("10.8.0.1"));
    // The first entry of a multi-entry text.
    EXPECT_EQ(InetAddr("192.168.1.1\n10.0.0.1"), InetAddr("192.168.1.1"));
    for (const char* bad : {"", "router", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.", "08.1.1.1",
                            "1.2.3.4x", "99999999999"}) {
        EXPECT_EQ(InetAddr(bad), 0xFFFFFFFFu) << bad;
    }
}

class SubnetCheck : public ::testing::Test {
protected:
    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
};

TEST_F(SubnetCheck, LogsTheWholeComparison) {
    EXPECT_TRUE(settings.IsSameSubnet("192.168.1.10", "192.168.1.1", "255.255.255.0"));
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "start check subnet:  ",
                                      "ip S_addr:  167880896",
                                      "gateway gw_addr:  16885952",
                                      "mask mask_addr:  16777215",
                                      "ip :  192, 168, 1, 10",
                                      "GW :  192, 168, 1, 1",
                                      "Mask :  255, 255, 255, 0",
                                      "ip0.d32 :  167880896",
                                      "gw.d32 :  16885952",
                                      "mask.d32 :  16777215",
                                      "ip0.d32& mask0.d32 :  108736",
                                      "gw.d32&mask0.d32 :  108736",
                                      "d8:  0",
                                      "d8:  0",
                                      "d8: True True",
                                      "d8:  1",
                                      "d8:  1",
                                      "d8: True False",
                                      "d8:  168",
                                      "d8:  168",
                                      "d8: True False",
                                      "d8:  192",
                                      "d8:  192",
                                      "d8: True False",
                                  }));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

TEST_F(SubnetCheck, PassesOnEqualOrDisjointOctetsAndExaminesAllFour) {
    EXPECT_FALSE(settings.IsSameSubnet("192.168.1.10", "192.168.3.1", "255.255.255.0"));
    EXPECT_TRUE(settings.IsSameSubnet("192.168.1.10", "192.168.2.1", "255.255.255.0"));
    EXPECT_TRUE(settings.IsSameSubnet("192.168.1.10", "10.0.0.1", "255.255.255.0"));
    // 24 entries per check, no early exit even after a failing octet.
    EXPECT_EQ(machine.LogLines().size(), 3u * 24u);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines[16], "d8:  3");
    EXPECT_EQ(lines[17], "d8: False False");
    EXPECT_EQ(lines[20], "d8: True False");
    EXPECT_EQ(lines[23], "d8: True False");
}

TEST_F(SubnetCheck, AnEmptyTextEndsTheCheckAfterOneEntry) {
    EXPECT_FALSE(settings.IsSameSubnet("192.168.1.10", "192.168.1.1", ""));
    EXPECT_FALSE(settings.IsSameSubnet("", "192.168.1.1", "255.255.255.0"));
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "start check subnet:  ",
                                      "return false one NULL: 192.168.1.10 192.168.1.1 ",
                                      "start check subnet:  ",
                                      "return false one NULL:  192.168.1.1 255.255.255.0",
                                  }));
}

TEST_F(SubnetCheck, TextsThatAreNoAddressReadAsAllOnes) {
    // A mask of all ones keeps the whole address; the gateway's octets are all 255.
    EXPECT_FALSE(settings.IsSameSubnet("192.168.1.10", "router", "bad mask"));
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines[2], "gateway gw_addr:  4294967295");
    EXPECT_EQ(lines[6], "Mask :  255, 255, 255, 255");
}

}  // namespace
}  // namespace plover
