#include <gtest/gtest.h>

#include <algorithm>

#include "app/BrandingText.h"
#include "tests/unit/app/FormFixture.h"

namespace plover {
namespace {

using testing::Block;
using testing::FormFixture;
using testing::ProgramImage;
using testing::SampleRecords;
using testing::With;
using testing::Without;
using Lines = std::vector<std::string>;

const std::string Temp = "C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\";

TEST(BrandingText, CutsAndSearchesCountFromOneAndClamp) {
    EXPECT_EQ(Cut("abcdef", 2, 3), "bcd");
    EXPECT_EQ(Cut("abcdef", 5, 10), "ef");
    EXPECT_EQ(Cut("abcdef", 0, 2), "ab");
    EXPECT_EQ(Cut("abcdef", 3, 0), "");
    EXPECT_EQ(Cut("abcdef", 3, -4), "");
    EXPECT_EQ(Cut("abcdef", 9, 2), "");
    EXPECT_EQ(CutToEnd("abcdef", 4), "def");

    const std::string withNul("ab\0cd start x", 13);
    EXPECT_EQ(FindInImage("start x", withNul), 7);
    EXPECT_EQ(FindInSection("start x", withNul), 0);
    EXPECT_EQ(FindInSection("b", withNul), 2);
    EXPECT_EQ(FindInImage("missing", withNul), 0);

    EXPECT_EQ(WithoutCrLf("a\r\nb\nc\rd\r\n\r\n"), "ab\nc\rd");
    EXPECT_EQ(BrandingMarker("emw"), "start emw");
}

TEST(BrandingBlock, FullBlockFillsTheFieldsAndLogsEveryValueInOrder) {
    FormFixture fixture;
    auto& form = fixture.Build();
    EXPECT_EQ(form.ProviderName, "Harbour Net");
    EXPECT_EQ(form.ProviderDnsServers, "10.53.0.1,10.53.0.2");
    // CR LF pairs go, a lone LF stays.
    EXPECT_EQ(form.ContactSupportText, "Call Harbour Netat 555-0100,\nany time.");
    EXPECT_EQ(form.emailURL.url, "http://help.example/email");
    EXPECT_EQ(form.performanceURL.url, "http://help.example/slow");
    EXPECT_EQ(form.errorURL.url, "http://help.example/errors");
    EXPECT_EQ(form.popupURL.url, "http://help.example/popups");
    EXPECT_EQ(form.browseURL.url, "http://help.example/browse");
    EXPECT_EQ(form.mssgAtxt.caption, "Check the cable.\r\nRestart the modem.");
    EXPECT_EQ(form.Label8.caption, "Please call us.");
    // The last record runs to the end of the file, line breaks and all.
    EXPECT_EQ(form.RouterMessageText, "Your router does not answer.\r\n");
    EXPECT_EQ(fixture.host.endRequests, 0);

    EXPECT_EQ(fixture.machine.LogLines(),
              (Lines{" ", "read information ", "provider name :Harbour Net:",
                     "provider block :10.53.0.1,10.53.0.2:", "contact message :Call Harbour Net",
                     "at 555-0100,\nany time.:", "emailURL->URL :http://help.example/email:",
                     "performanceURL->URL :http://help.example/slow:",
                     "errorURL->URL :http://help.example/errors:",
                     "popupURL->URL :http://help.example/popups:",
                     "browseURL->URL :http://help.example/browse:", "mssgA text :Check the cable.",
                     "Restart the modem.:", "contactUs :Please call us.:",
                     "router message :Your router does not answer.", ":"}));
}

TEST(BrandingBlock, WindowsXpServicePack2GetsTheXpPairByteForByte) {
    FormFixture fixture;
    fixture.machine.files.SetContent(Temp + "winsok2.reg", "old export, much longer than new");
    auto& form = fixture.Build();
    EXPECT_EQ(form.Winsock2RegText, "REGEDIT xp winsock2\nline two\n");
    EXPECT_EQ(fixture.machine.files.Content(Temp + "winsok2.reg"),
              "REGEDIT xp winsock2\nline two\n");
    // "winsock" ends before " start vistawinsock2".
    EXPECT_EQ(fixture.machine.files.Content(Temp + "winsok.reg"), "REGEDIT xp winsock\n");
    // The process-wide texts the reset imports are the ones written.
    EXPECT_EQ(fixture.regTexts.Winsock2RegText, "REGEDIT xp winsock2\nline two\n");
    EXPECT_EQ(fixture.regTexts.WinsockRegText, "REGEDIT xp winsock\n");
    const auto lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "delete winsok2.reg "), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "delete winsok.reg "), lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("fpos1", 0) == 0; }),
              0);
}

TEST(BrandingBlock, VistaGetsItsPairAndLogsWhereItStarts) {
    FormFixture fixture;
    fixture.machine.SetVersion(6, 0, "Service Pack 1");
    auto& form = fixture.Build();
    EXPECT_EQ(fixture.machine.files.Content(Temp + "winsok2.reg"), "REGEDIT vista winsock2\n");
    // "vistawinsock" ends before " start provided_name".
    EXPECT_EQ(fixture.machine.files.Content(Temp + "winsok.reg"), "REGEDIT vista winsock\n");
    EXPECT_EQ(form.WinsockRegText, "REGEDIT vista winsock\n");
    const std::string image = ProgramImage(Block(SampleRecords()));
    const auto expected = "fpos1 " + std::to_string(image.find("start vistawinsock2") + 1);
    const auto lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end());
    EXPECT_EQ(fixture.host.endRequests, 0);
}

TEST(BrandingBlock, XpServicePack3UsesTheXpPairAndOlderSystemsWriteNoFiles) {
    FormFixture sp3;
    sp3.machine.SetVersion(5, 1, "Service Pack 3");
    sp3.Build();
    EXPECT_EQ(sp3.machine.files.Content(Temp + "winsok.reg"), "REGEDIT xp winsock\n");
    EXPECT_EQ(sp3.host.endRequests, 0);

    for (const auto& [minor, servicePack] : std::vector<std::pair<uint32_t, std::string>>{
             {1, "Service Pack 1"}, {0, "Service Pack 4"}}) {
        FormFixture older;
        older.machine.SetVersion(5, minor, servicePack);
        older.Build();
        EXPECT_FALSE(older.machine.files.HasFile(Temp + "winsok2.reg"));
        EXPECT_FALSE(older.machine.files.HasFile(Temp + "winsok.reg"));
        EXPECT_EQ(older.host.endRequests, 0);
    }
}

TEST(BrandingBlock, MissingDnsServersEndsTheProgramAfterTheLogLines) {
    for (const auto& records :
         {Without(SampleRecords(), "provided_block"), With(SampleRecords(), "provided_block", ""),
          Without(SampleRecords(), "provided_name")}) {
        FormFixture fixture(Block(records));
        auto& form = fixture.Build();
        EXPECT_TRUE(form.ProviderDnsServers.empty());
        EXPECT_TRUE(form.ApplicationEndRequested());
        const auto lines = fixture.machine.LogLines();
        ASSERT_GE(lines.size(), 5u);
        EXPECT_EQ(lines[1], "read information ");
        EXPECT_EQ(lines[3], "provider block ::");
        // The other readers still ran.
        EXPECT_NE(std::find(lines.begin(), lines.end(), "contactUs :Please call us.:"),
                  lines.end());
    }
}

TEST(BrandingBlock, MissingSupportTextStartsNormally) {
    FormFixture fixture(Block(Without(SampleRecords(), "contact_support")));
    auto& form = fixture.Build();
    EXPECT_EQ(form.ProviderDnsServers, "10.53.0.1,10.53.0.2");
    EXPECT_EQ(form.ContactSupportText, "");
    EXPECT_FALSE(form.ApplicationEndRequested());
}

TEST(BrandingBlock, MissingLinkEndsTheProgramAndKeepsTheDesignValues) {
    FormFixture fixture(Block(Without(SampleRecords(), "scbi")));
    auto& form = fixture.Build();
    EXPECT_TRUE(form.ApplicationEndRequested());
    EXPECT_EQ(form.emailURL.url, "");
    EXPECT_EQ(form.RouterMessageText, "");
    const auto lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "emailURL->URL ::"), lines.end());
}

TEST(BrandingBlock, MissingTrailingMessagesLeaveEmptyValues) {
    FormFixture noContactUs(Block(Without(SampleRecords(), "mssgContactUS")));
    auto& first = noContactUs.Build();
    EXPECT_EQ(first.mssgAtxt.caption, "");
    EXPECT_EQ(first.Label8.caption, "");
    EXPECT_EQ(first.RouterMessageText, "Your router does not answer.\r\n");
    EXPECT_FALSE(first.ApplicationEndRequested());

    FormFixture noRouter(Block(Without(SampleRecords(), "isprm")));
    auto& second = noRouter.Build();
    EXPECT_EQ(second.Label8.caption, "");
    EXPECT_EQ(second.RouterMessageText, "");
    EXPECT_EQ(second.mssgAtxt.caption, "Check the cable.\r\nRestart the modem.");
}

TEST(BrandingBlock, ReorderedRecordsBreakTheCuts) {
    auto records = SampleRecords();
    std::swap(records[4], records[5]);  // provided_block before provided_name
    FormFixture fixture(Block(records));
    fixture.machine.SetVersion(6, 0, "");
    auto& form = fixture.Build();
    // The Vista "winsock" text now runs on to the name marker, through the DNS record.
    EXPECT_EQ(form.WinsockRegText,
              "REGEDIT vista winsock\n start provided_block10.53.0.1,10.53.0.2");
    EXPECT_TRUE(form.ApplicationEndRequested());
}

TEST(BrandingBlock, UnreadableProgramFileEndsTheProgramButStillLogs) {
    FormFixture fixture;
    fixture.machine.files.DenyAccess(fixture.machine.system.executablePath);
    auto& form = fixture.Build();
    EXPECT_TRUE(form.ApplicationEndRequested());
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok2.reg"));
    const auto lines = fixture.machine.LogLines();
    EXPECT_EQ(lines.size(), 2u + 3u + 8u);
}

TEST(BrandingBlock, VistaWithoutItsPairEndsTheProgramAndWritesNothing) {
    auto records = SampleRecords();
    records.erase(records.begin() + 2, records.begin() + 4);
    FormFixture fixture(Block(records));
    fixture.machine.SetVersion(6, 0, "");
    fixture.Build();
    EXPECT_TRUE(fixture.form->ApplicationEndRequested());
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok2.reg"));
    const auto lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "fpos1 0"), lines.end());
}

}  // namespace
}  // namespace plover
