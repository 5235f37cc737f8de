#include <gtest/gtest.h>

#include "device/VXDevice.h"

namespace {

TEST(DeviceCommandTest, EncodesTheHeadLittleEndianThenTheData) {
    DeviceCommand record;
    record.command = DeviceCommand::WriteData;
    record.lockBits = 0x01020304;
    record.fuseBits = 0xA0B0C0D0;
    record.extendedFuseBits = 7;
    record.result = -2;
    record.mode = 1;
    const unsigned char data[] = {0xDE, 0xAD};
    record.SetData(data, sizeof data);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(record.Encode(&bytes));
    std::vector<unsigned char> expected{2, 0, 0, 0, 4, 3, 2, 1, 0xD0, 0xC0, 0xB0, 0xA0,
                                        7, 0, 0, 0, 2, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF,
                                        1, 0, 0, 0, 0, 0, 0, 0, 0xDE, 0xAD};
    EXPECT_EQ(bytes, expected);

    DeviceCommand decoded;
    ASSERT_TRUE(decoded.Decode(bytes.data(), bytes.size()));
    EXPECT_EQ(decoded.result, -2);
    EXPECT_EQ(decoded.fuseBits, 0xA0B0C0D0u);
    EXPECT_EQ(decoded.data, std::vector<unsigned char>(data, data + 2));
}

struct DecodeCase {
    const char* name;
    std::size_t count;         // bytes offered
    std::uint32_t dataLength;  // what the head claims
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, RefusesRecordsThatDoNotHoldWhatTheyClaim) {
    std::vector<unsigned char> bytes(GetParam().count + 1, 0x11);
    PutLe32(bytes.data() + 16, GetParam().dataLength);
    DeviceCommand record;
    record.command = 99;
    EXPECT_FALSE(record.Decode(bytes.data(), GetParam().count));
    EXPECT_EQ(record.command, 99u) << "a refused record leaves the old one alone";
}

INSTANTIATE_TEST_SUITE_P(Records, DecodeTest,
                         ::testing::Values(DecodeCase{"ShorterThanTheHead", 31, 0},
                                           DecodeCase{"DataMissing", 40, 9},
                                           DecodeCase{"LengthWrapsAround", 40, 0xFFFFFFF0u},
                                           DecodeCase{"AboveTheLimit", 40, (1u << 20) + 1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
