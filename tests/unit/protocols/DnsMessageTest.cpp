#include <gtest/gtest.h>

#include "protocols/DnsErrors.h"
#include "protocols/DnsMessage.h"
#include "tests/unit/support/Hex.h"

namespace plover {
namespace {

using testing::FromHex;
using testing::ToHex;

void Parse(TclDnsMessage& message, const std::string& bytes) {
    message.Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string Build(TclDnsMessage& message) {
    std::vector<uint8_t> stream;
    message.Build(stream);
    return std::string(stream.begin(), stream.end());
}

TEST(DnsBuild, QuestionGoesOutUncompressedBehindTheHeader) {
    TclDnsMessage query;
    query.Clear(0x7a3b1234);
    query.Header.IsQuery = true;
    query.Header.IsRecursionDesired = true;
    auto question = std::make_unique<TclDnsARecord>();
    question->Name = "plovers.lab";
    query.Queries.Add(std::move(question));
    EXPECT_EQ(ToHex(Build(query)), ToHex(FromHex("1234 0100 0001 0000 0000 0000"
                                                 "07706c6f76657273 036c6162 00 0001 0001")));
}

TEST(DnsBuild, HeaderFlagsAndClassCodes) {
    TclDnsMessage message;
    message.Clear(0);
    message.Header.IsQuery = false;
    message.Header.OpCode = TclDnsOpCode::ocStatus;
    message.Header.IsAuthoritativeAnswer = true;
    message.Header.IsTruncated = true;
    message.Header.IsRecursionAvailable = true;
    message.Header.ResponseCode = 5;
    auto chaos = std::make_unique<TclDnsRecord>(16);
    chaos->RecordClass = TclDnsRecordClass::rcChaos;
    message.Answers.Add(std::move(chaos));
    auto hesiod = std::make_unique<TclDnsRecord>(16);
    hesiod->Name = "a.";  // a trailing dot names the root
    hesiod->RecordClass = TclDnsRecordClass::rcHesiod;
    message.AdditionalRecords.Add(std::move(hesiod));
    EXPECT_EQ(ToHex(Build(message)),
              ToHex(FromHex("0000 9685 0000 0001 0000 0001 00 0010 0003 016100 0010 0004")));
}

TEST(DnsBuild, NamesThatCannotBeWrittenAreRefused) {
    const std::string label64(64, 'x');
    std::string tooLong;
    for (int i = 0; i < 5; ++i) tooLong += std::string(60, 'y') + ".";
    for (const std::string& name :
         {label64 + ".lab", std::string("a..b"), std::string(".a"), tooLong}) {
        TclDnsMessage query;
        auto question = std::make_unique<TclDnsARecord>();
        question->Name = name;
        query.Queries.Add(std::move(question));
        EXPECT_THROW(Build(query), EclDnsError) << name;
    }
    // Questions beyond the 512-byte buffer are refused, not written past it.
    TclDnsMessage many;
    for (int i = 0; i < 3; ++i) {
        auto question = std::make_unique<TclDnsARecord>();
        question->Name =
            std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c');
        many.Queries.Add(std::move(question));
    }
    try {
        Build(many);
        ADD_FAILURE() << "an over-long message was built";
    } catch (const EclDnsError& e) {
        EXPECT_STREQ(e.what(), "The size of the datagram is invalid");
        EXPECT_EQ(e.ErrorCode(), -1);
    }
}

// Answer to "alias.lab.test" from the lab's server: a CNAME whose data is
// then pointed into by the A record after it.
const char* const CnameThenA =
    "1234 8580 0001 0002 0000 0000"
    "05616c696173036c616204746573740000010001"
    "c00c 0005 0001 00000000 000e 03777777036c6162047465737400"
    "c02c 0001 0001 00000000 0004 7f00000a";

TEST(DnsParse, HeaderRecordsAndCompressedNames) {
    TclDnsMessage message;
    Parse(message, FromHex(CnameThenA));
    EXPECT_EQ(message.Header.ID, 0x1234);
    EXPECT_FALSE(message.Header.IsQuery);
    EXPECT_TRUE(message.Header.IsAuthoritativeAnswer);
    EXPECT_TRUE(message.Header.IsRecursionDesired);
    EXPECT_TRUE(message.Header.IsRecursionAvailable);
    EXPECT_EQ(message.Header.ResponseCode, 0);
    ASSERT_EQ(message.Queries.GetCount(), 1u);
    EXPECT_EQ(message.Queries.GetItems(0).Name, "alias.lab.test");
    ASSERT_EQ(message.Answers.GetCount(), 2u);
    auto* cname = dynamic_cast<TclDnsCNAMERecord*>(&message.Answers.GetItems(0));
    ASSERT_NE(cname, nullptr);
    EXPECT_EQ(cname->Name, "alias.lab.test");
    EXPECT_EQ(cname->PrimaryName, "www.lab.test");
    auto* a = dynamic_cast<TclDnsARecord*>(&message.Answers.GetItems(1));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Name, "www.lab.test");
    EXPECT_EQ(a->IPAddress, "127.0.0.10");
    EXPECT_EQ(a->DataLength, 4);
    EXPECT_EQ(message.Answers.ItemByName("WWW.Lab.Test"), a);
    EXPECT_EQ(message.Answers.ItemByName("lab.test"), nullptr);
}

TEST(DnsParse, PointerInTheMiddleJoinsLabelsAndResumesBehindIt) {
    // "lab" at 0; at 5: "www" then a pointer to 0, then a zero byte.
    const std::string bytes = FromHex("036c616200 03777777c000 00");
    ByteReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    reader.Seek(5);
    EXPECT_EQ(TclDnsRecord::ReadDomainName(reader), "www.lab");
    EXPECT_EQ(reader.Pos(), 11u);
    reader.Seek(0);
    EXPECT_EQ(TclDnsRecord::ReadDomainName(reader), "lab");
    EXPECT_EQ(reader.Pos(), 5u);
    reader.Seek(4);
    EXPECT_EQ(TclDnsRecord::ReadDomainName(reader), "");  // the root
    EXPECT_EQ(reader.Pos(), 5u);
}

TEST(DnsParse, RecordClassesReadTheirData) {
    const std::string message = FromHex(
        "0001 8000 0000 0004 0001 0001"
        // MX 10 mail.x (x at 12 is written in the first record's name)
        "0178 00 000f 0001 00000e10 0009 000a 046d61696cc00c"
        // PTR, class 3 (chaos)
        "00 000c 0003 00000000 0003 0179 00"
        // unknown type 99 with two data bytes, class 4 (hesiod)
        "00 0063 0004 00000000 0002 abcd"
        // a class code of 7 reads as internet
        "00 0001 0007 00000000 0004 01020304"
        // authority: SOA ns.x mbox.x 1 2 3 4 5
        "c00c 0006 0001 00000000 0020 026e73c00c 046d626f78c00c"
        "00000001 00000002 00000003 00000004 00000005"
        // additional: NS ns.x
        "c00c 0002 0001 00000000 0002 c058");
    TclDnsMessage parsed;
    Parse(parsed, message);
    ASSERT_EQ(parsed.Answers.GetCount(), 4u);
    auto* mx = dynamic_cast<TclDnsMXRecord*>(&parsed.Answers.GetItems(0));
    ASSERT_NE(mx, nullptr);
    EXPECT_EQ(mx->Name, "x");
    EXPECT_EQ(mx->TTL, 3600u);
    EXPECT_EQ(mx->Preference, 10);
    EXPECT_EQ(mx->MailServer, "mail.x");
    auto* ptr = dynamic_cast<TclDnsPTRRecord*>(&parsed.Answers.GetItems(1));
    ASSERT_NE(ptr, nullptr);
    EXPECT_EQ(ptr->DomainName, "y");
    EXPECT_EQ(ptr->RecordClass, TclDnsRecordClass::rcChaos);
    EXPECT_EQ(parsed.Answers.GetItems(2).RecordType, 99);
    EXPECT_EQ(parsed.Answers.GetItems(2).RecordClass, TclDnsRecordClass::rcHesiod);
    EXPECT_EQ(parsed.Answers.GetItems(3).RecordClass, TclDnsRecordClass::rcInternet);
    auto* soa = dynamic_cast<TclDnsSOARecord*>(&parsed.NameServers.GetItems(0));
    ASSERT_NE(soa, nullptr);
    EXPECT_EQ(soa->PrimaryNameServer, "ns.x");
    EXPECT_EQ(soa->ResponsibleMailbox, "mbox.x");
    EXPECT_EQ(soa->SerialNumber, 1u);
    EXPECT_EQ(soa->MinimumTTL, 5u);
    auto* ns = dynamic_cast<TclDnsNSRecord*>(&parsed.AdditionalRecords.GetItems(0));
    ASSERT_NE(ns, nullptr);
    EXPECT_EQ(ns->NameServer, "ns.x");
}

TEST(DnsParse, OpCodesFromBitsElevenAndTwelve) {
    const std::pair<const char*, TclDnsOpCode> cases[] = {
        {"0000 0800 0000 0000 0000 0000", TclDnsOpCode::ocIQuery},
        {"0000 1000 0000 0000 0000 0000", TclDnsOpCode::ocStatus},
        {"0000 1800 0000 0000 0000 0000", TclDnsOpCode::ocQuery},
        {"0000 6000 0000 0000 0000 0000", TclDnsOpCode::ocQuery}};
    for (const auto& [hex, opCode] : cases) {
        TclDnsMessage message;
        Parse(message, FromHex(hex));
        EXPECT_EQ(message.Header.OpCode, opCode) << hex;
        EXPECT_TRUE(message.Header.IsQuery);
    }
}

// A record that does not read whole ends the message where it starts: it is
// not kept, nothing after it is read, and no read leaves the received bytes
// (the sanitizer build would see it).
TEST(DnsParse, ARecordThatDoesNotReadWholeEndsTheMessage) {
    const std::string header1 = "0000 8000 0001 0000 0000 0000";
    const std::string answer1 = "0000 8000 0000 0001 0000 0000";
    struct Case {
        const char* what;
        std::string hex;
        size_t wholeQuestions;
    };
    const Case cases[] = {
        {"pointer to itself", header1 + "c00c 0001 0001", 0},
        {"pointer forward", header1 + "c00e 00 0001 0001", 0},
        {"pointer outside the message", header1 + "c1ff 0001 0001", 0},
        {"pointer cut in half", header1 + "c0", 0},
        {"label past the end", header1 + "3f6161", 0},
        {"name without its end", header1 + "0161", 0},
        {"question count larger than the questions", "0000 8000 0002 0001 0000 0000 00 0001 0001",
         1},
        {"answer count larger than the records", answer1, 0},
        {"record data longer than the message", answer1 + "00 0001 0001 00000000 0010 01020304", 0},
        {"record cut before its length", answer1 + "00 0001 0001 0000", 0},
    };
    for (const Case& c : cases) {
        TclDnsMessage message;
        ASSERT_NO_THROW(Parse(message, FromHex(c.hex))) << c.what;
        EXPECT_FALSE(message.IsSound) << c.what;
        EXPECT_EQ(message.Queries.GetCount(), c.wholeQuestions) << c.what;
        EXPECT_EQ(message.Answers.GetCount(), 0u) << c.what;
    }
    // The question before a cut answer stays, and so does the header.
    TclDnsMessage message;
    Parse(message, FromHex("1234 8180 0001 0002 0000 0000 0161 00 0001 0001"
                           "c00c 0001 0001 00000000 0004 0a000001"
                           "c00c 0001 00"));
    EXPECT_FALSE(message.IsSound);
    EXPECT_EQ(message.Header.ID, 0x1234);
    EXPECT_EQ(message.Header.AnswerCount, 2);
    ASSERT_EQ(message.Queries.GetCount(), 1u);
    ASSERT_EQ(message.Answers.GetCount(), 1u);
    EXPECT_EQ(dynamic_cast<TclDnsARecord&>(message.Answers.GetItems(0)).IPAddress, "10.0.0.1");
}

// Data that does not read as its type's data leaves the record without its
// data fields; DataLength still tells where the next record starts.
TEST(DnsParse, DataThatDoesNotReadKeepsTheRecordWithoutItsData) {
    const std::string good = "c00c 0001 0001 00000000 0004 0a000002";
    const std::pair<const char*, std::string> cases[] = {
        {"address of two bytes", "c00c 0001 0001 00000000 0002 0102"},
        {"address of six bytes", "c00c 0001 0001 00000000 0006 010203040506"},
        {"address of no bytes", "c00c 0001 0001 00000000 0000"},
        {"alias name running past its data", "c00c 0005 0001 00000000 0002 0361 "},
        {"mail exchanger without its name", "c00c 000f 0001 00000000 0002 000a"},
        {"authority record cut after its names", "c00c 0006 0001 00000000 0004 00 00 0000"},
    };
    for (const auto& [what, record] : cases) {
        TclDnsMessage message;
        Parse(message, FromHex("0000 8180 0001 0002 0000 0000 0161 00 0001 0001" + record + good));
        EXPECT_FALSE(message.IsSound) << what;
        ASSERT_EQ(message.Answers.GetCount(), 2u) << what;
        const TclDnsRecord& damaged = message.Answers.GetItems(0);
        EXPECT_FALSE(damaged.DataIsValid) << what;
        EXPECT_EQ(damaged.Name, "a") << what;
        if (auto* a = dynamic_cast<const TclDnsARecord*>(&damaged)) {
            EXPECT_EQ(a->IPAddress, "") << what;
        }
        if (auto* mx = dynamic_cast<const TclDnsMXRecord*>(&damaged)) {
            EXPECT_EQ(mx->Preference, 0) << what;
        }
        if (auto* soa = dynamic_cast<const TclDnsSOARecord*>(&damaged)) {
            EXPECT_EQ(soa->PrimaryNameServer, "") << what;
        }
        auto& after = dynamic_cast<TclDnsARecord&>(message.Answers.GetItems(1));
        EXPECT_TRUE(after.DataIsValid) << what;
        EXPECT_EQ(after.IPAddress, "10.0.0.2") << what;
    }
    // Sound records say so, and a fresh parse forgets the last one's damage.
    TclDnsMessage message;
    Parse(message, FromHex("0000 8180 0001 0001 0000 0000 0161 00 0001 0001" + good));
    EXPECT_TRUE(message.IsSound);
    EXPECT_TRUE(message.Answers.GetItems(0).DataIsValid);
    Parse(message, FromHex("0000 8180 0000 0001 0000 0000"));
    EXPECT_FALSE(message.IsSound);
    Parse(message, FromHex("0000 8180 0000 0000 0000 0000"));
    EXPECT_TRUE(message.IsSound);
}

TEST(DnsParse, CycleThroughTwoPointersEnds) {
    // Name at 12 = label "a" + pointer to 17; at 17 a pointer back to 12.
    const std::string bytes = FromHex("0000 8000 0001 0000 0000 0000 0161c011 00 c00c");
    TclDnsMessage message;
    Parse(message, bytes);
    EXPECT_FALSE(message.IsSound);
    EXPECT_EQ(message.Queries.GetCount(), 0u);
}

TEST(DnsParse, ReservedLabelBitsAreMalformed) {
    // 0x41 and 0x81 would read as labels of 65 and 129 bytes, and the bytes
    // are there: neither is a length, nor a pointer.
    for (const char* first : {"41", "81", "7f", "bf"}) {
        SCOPED_TRACE(first);
        const int length = std::stoi(first, nullptr, 16);
        const std::string name =
            first + ToHex(std::string(static_cast<size_t>(length), 'r')) + "00";
        TclDnsMessage message;
        Parse(message,
              FromHex("0000 8180 0000 0001 0000 0000" + name + "0001 0001 00000000 0004 0a000001"));
        EXPECT_FALSE(message.IsSound);
        EXPECT_EQ(message.Answers.GetCount(), 0u);
    }
    // The longest label there is still reads.
    const std::string bytes = "3f" + ToHex(std::string(63, 'r')) + "00";
    const std::string wire = FromHex(bytes);
    ByteReader reader(reinterpret_cast<const uint8_t*>(wire.data()), wire.size());
    EXPECT_EQ(TclDnsRecord::ReadDomainName(reader), std::string(63, 'r'));
    EXPECT_EQ(reader.Pos(), 65u);
}

TEST(DnsParse, NamesAndMessagesHaveTheirLimits) {
    // 513 bytes: too long however well formed; eleven: no header.
    std::string big = FromHex("0000 8000 0000 0000 0000 0000");
    big.resize(513, '\0');
    TclDnsMessage message;
    for (const std::string& bytes : {big, big.substr(0, 11)}) {
        try {
            Parse(message, bytes);
            ADD_FAILURE() << bytes.size() << " bytes were taken";
        } catch (const EclDnsError& e) {
            EXPECT_STREQ(e.what(), "The size of the datagram is invalid");
            EXPECT_EQ(e.ErrorCode(), -1);
        }
    }
    big.resize(512);
    EXPECT_NO_THROW(Parse(message, big));  // trailing bytes are not looked at
    EXPECT_TRUE(message.IsSound);

    // A name of 4 x 63-byte labels is 257 bytes on the wire: too long.
    std::string name;
    for (int i = 0; i < 4; ++i) name += "3f" + ToHex(std::string(63, 'n'));
    Parse(message, FromHex("0000 8000 0001 0000 0000 0000" + name + "00 0001 0001"));
    EXPECT_FALSE(message.IsSound);
    EXPECT_EQ(message.Queries.GetCount(), 0u);
    // Three such labels and one of 61 make 255: the longest name there is.
    name = name.substr(0, 3 * 128) + "3d" + ToHex(std::string(61, 'n'));
    Parse(message, FromHex("0000 8000 0001 0000 0000 0000" + name + "00 0001 0001"));
    EXPECT_EQ(message.Queries.GetItems(0).Name.size(), 253u);
}

TEST(DnsRecordList, OwnsAddsAndDeletes) {
    TclDnsRecordList list;
    auto& first = list.Add(std::make_unique<TclDnsARecord>());
    first.Name = "one";
    list.Add(std::make_unique<TclDnsNSRecord>()).Name = "two";
    EXPECT_EQ(list.GetCount(), 2u);
    list.Delete(0);
    list.Delete(5);
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetItems(0).Name, "two");
    EXPECT_EQ(list.GetItems(0).RecordType, 2);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0u);
}

}  // namespace
}  // namespace plover
