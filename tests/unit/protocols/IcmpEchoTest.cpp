#include <gtest/gtest.h>

#include "protocols/IcmpEcho.h"
#include "tests/unit/support/Hex.h"

namespace plover {
namespace {

using testing::FromHex;
using testing::ToHex;

std::string AsText(const std::array<uint8_t, EchoRequestSize>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// Identifier 0x5678, sequence 1, time stamp 0x01020304.
const char* const GoldenRequest =
    "0800 2451 7856 0100 04030201 0000000000000000"
    "4545454545454545454545454545454545454545454545454545454545454545";

TEST(EchoRequest, MatchesTheGoldenPacketWithLittleEndianFields) {
    EXPECT_EQ(ToHex(AsText(BuildEchoRequest(0x5678, 1, 0x01020304))),
              ToHex(FromHex(GoldenRequest)));
}

TEST(EchoRequest, ChecksumMakesEveryRequestSumToAllOnes) {
    for (uint32_t stamp : {0u, 1u, 0xffffffffu, 0x80008000u}) {
        for (uint16_t sequence : {0, 1, 0xffff}) {
            const auto request = BuildEchoRequest(0xffff, sequence, stamp);
            EXPECT_EQ(InternetChecksum(request.data(), request.size()), 0)
                << "stamp " << stamp << " sequence " << sequence;
        }
    }
}

TEST(InternetChecksum, FoldsCarriesAndPadsAnOddByte) {
    // RFC 1071 section 3 example words 0001 f203 f4f5 f6f7: sum ddf2, checksum 220d
    // (read as stored: the bytes of the result come out in the same order).
    const std::string data = FromHex("0001f203f4f5f6f7");
    const uint16_t sum =
        InternetChecksum(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&sum);
    EXPECT_EQ(bytes[0], 0x22);
    EXPECT_EQ(bytes[1], 0x0d);
    const std::string odd = FromHex("ff");
    const uint16_t oddSum =
        InternetChecksum(reinterpret_cast<const uint8_t*>(odd.data()), odd.size());
    const uint8_t* oddBytes = reinterpret_cast<const uint8_t*>(&oddSum);
    EXPECT_EQ(oddBytes[0], 0x00);
    EXPECT_EQ(oddBytes[1], 0xff);
}

std::string IpHeader(uint8_t ttl, const std::string& source, uint8_t words = 5) {
    std::string header =
        FromHex("45000000000000000001 0000") + FromHex(source) + FromHex("7f000001");
    header[0] = static_cast<char>(0x40 | words);
    header[8] = static_cast<char>(ttl);
    header.resize(words * 4u, '\0');
    return header;
}

TReplyStatus Decode(const std::string& datagram, uint32_t tick = 0) {
    return DecodeEchoReply(reinterpret_cast<const uint8_t*>(datagram.data()), datagram.size(),
                           tick);
}

TEST(EchoDecode, EchoReplyAndOwnRequestBothCountAsEcho) {
    const std::string icmp = FromHex("00000000 7856 0700 e8030000 0000000000000000");
    const auto reply = Decode(IpHeader(57, "0a000001") + icmp, 1250);
    EXPECT_EQ(reply.Status, ReplyStatusKind::StatusEcho);
    EXPECT_EQ(reply.ByteCount, 40);
    EXPECT_EQ(reply.SourceAddress, "10.0.0.1");
    EXPECT_EQ(reply.IcmpType, 0);
    EXPECT_EQ(reply.Sequence, 7);
    EXPECT_EQ(reply.RoundTripMs, 250u);  // 1250 - 1000
    EXPECT_EQ(reply.Ttl, 57);

    std::string own = icmp;
    own[0] = 8;
    EXPECT_EQ(Decode(IpHeader(64, "7f000001") + own).Status, ReplyStatusKind::StatusEcho);
}

TEST(EchoDecode, ErrorMessagesCompleteThePingAndOtherTypesRaise) {
    const std::string body = FromHex("00000000 0000 0000 00000000");
    std::string unreachable = FromHex("030d") + body.substr(2);
    std::string expired = FromHex("0b00") + body.substr(2);
    EXPECT_EQ(Decode(IpHeader(64, "0ac80001") + unreachable).Status,
              ReplyStatusKind::StatusUnreachable);
    EXPECT_EQ(Decode(IpHeader(64, "0ac80001") + expired).Status, ReplyStatusKind::StatusTtlExpired);
    for (uint8_t type : {4, 5, 13, 255}) {
        std::string other = body;
        other[0] = static_cast<char>(type);
        try {
            Decode(IpHeader(64, "0ac80001") + other);
            ADD_FAILURE() << "type " << int(type) << " was accepted";
        } catch (const EIdIcmpException& e) {
            EXPECT_STREQ(e.what(), "Non-echo type response received");
            EXPECT_EQ(e.ErrorCode(), type);
        }
    }
}

TEST(EchoDecode, NeedsHeaderLengthPlusEightBytes) {
    const std::string icmp = FromHex("00000000 0000 0000 00000000");
    const std::string datagram = IpHeader(64, "7f000001") + icmp;
    try {
        Decode(datagram.substr(0, 27));
        ADD_FAILURE() << "27 bytes were accepted";
    } catch (const EIdIcmpException& e) {
        EXPECT_STREQ(e.what(), "Not enough bytes received");
        EXPECT_EQ(e.ErrorCode(), 27);
    }
    // 28 bytes are enough; the missing time stamp reads as zero.
    const auto reply = Decode(datagram.substr(0, 28), 5);
    EXPECT_EQ(reply.ByteCount, 28);
    EXPECT_EQ(reply.RoundTripMs, 5u);
    // A header with options (15 words = 60 bytes) moves the ICMP message.
    const std::string longHeader = IpHeader(64, "7f000001", 15);
    EXPECT_THROW(Decode(longHeader + icmp.substr(0, 7)), EIdIcmpException);
    EXPECT_EQ(Decode(longHeader + icmp.substr(0, 8)).Status, ReplyStatusKind::StatusEcho);
}

TEST(EchoDecode, TimedOutStatusCarriesTheNextSequence) {
    const auto status = TimedOutReply(3);
    EXPECT_EQ(status.Status, ReplyStatusKind::StatusTimedOut);
    EXPECT_EQ(status.SourceAddress, "0.0.0.0");
    EXPECT_EQ(status.Sequence, 3);
    EXPECT_EQ(status.ByteCount, 0);
}

}  // namespace
}  // namespace plover
