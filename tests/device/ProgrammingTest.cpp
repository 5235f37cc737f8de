#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>

#include "device/SimFixture.h"

namespace {

using vxsim::Fuses;

class ProgrammingTest : public SimFixture {
protected:
    void SetUp() override { ASSERT_TRUE(AddAndOpen(0, 0)); }

    static DeviceCommand Record(std::uint32_t command, std::uint32_t mode = 0) {
        DeviceCommand record;
        record.command = command;
        record.mode = mode;
        return record;
    }
};

struct CommandCase {
    const char* name;
    std::uint32_t command;
    std::uint32_t lock, fuse, fuseEx, mode;
    int dataLength;
    std::int32_t expectedResult;
    Fuses expectedFuses;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class CommandTest : public ProgrammingTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, RecordReachesTheDriverAndItsVerdictComesBack) {
    const CommandCase& c = GetParam();
    m_sim.SetProgrammingSpeed(10 * 1024 * 1024);
    m_sim.SetFlashSize(4096);
    DeviceCommand record = Record(c.command, c.mode);
    record.lockBits = c.lock;
    record.fuseBits = c.fuse;
    record.extendedFuseBits = c.fuseEx;
    auto data = Bytes(c.dataLength, 0x80);
    record.SetData(data.data(), data.size());
    record.result = 0x7777;  // whatever the caller left there, the driver's verdict replaces it
    std::vector<unsigned char> sent, arrived;
    ASSERT_TRUE(record.Encode(&sent));
    ASSERT_EQ(m_device.ExecuteCommand(&record), 0);
    EXPECT_EQ(record.result, c.expectedResult);

    auto seen = m_sim.GetCommands(0, 0);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_TRUE(seen[0].Encode(&arrived));
    EXPECT_EQ(arrived, sent) << "the record reaches the unit byte for byte";
    Fuses fuses = m_sim.GetFuses(0, 0);
    EXPECT_EQ(std::tie(fuses.lockBits, fuses.fuseBits, fuses.extendedFuseBits),
              std::tie(c.expectedFuses.lockBits, c.expectedFuses.fuseBits,
                       c.expectedFuses.extendedFuseBits));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandTest,
    ::testing::Values(
        CommandCase{"Erase", 1, 0, 0, 0, 0, 0, vxsim::kResultOk, {}},
        CommandCase{"WriteData", 2, 0, 0, 0, 0, 1000, vxsim::kResultOk, {}},
        CommandCase{"WriteLockBits", 4, 0x3C, 0, 0, 0, 0, vxsim::kResultOk, {0x3C, 0xFF, 0xFF}},
        CommandCase{"WriteFuseBits", 8, 0, 0xE1, 0, 0, 0, vxsim::kResultOk, {0xFF, 0xE1, 0xFF}},
        CommandCase{"WriteFuseExBits", 16, 0, 0, 0xFD, 0, 0, vxsim::kResultOk, {0xFF, 0xFF, 0xFD}},
        CommandCase{"FuseExOnAtMega103", 16, 0, 0, 0xFD, 1, 0, vxsim::kResultNotSupported, {}},
        CommandCase{"VerifyErased", 32, 0, 0, 0, 0, 10, vxsim::kResultVerifyMismatch, {}},
        CommandCase{"ImageLargerThanFlash", 2, 0, 0, 0, 0, 4097, vxsim::kResultImageTooLarge, {}},
        CommandCase{"UnknownCommand", 64, 0, 0, 0, 0, 0, vxsim::kResultUnknownCommand, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgrammingTest, WriteOnlyClearsBitsAndVerifyComparesWithTheImage) {
    m_sim.SetProgrammingSpeed(10 * 1024 * 1024);
    std::vector<unsigned char> first{0xF0, 0xFF, 0x0F}, second{0x0F, 0xFF, 0xF0};
    DeviceCommand write = Record(DeviceCommand::WriteData);
    write.SetData(first.data(), first.size());
    ASSERT_EQ(m_device.ExecuteCommand(&write), 0);
    write.SetData(second.data(), second.size());
    ASSERT_EQ(m_device.ExecuteCommand(&write), 0);
    auto flash = m_sim.GetFlash(0, 0);
    EXPECT_EQ(std::vector<unsigned char>(flash.begin(), flash.begin() + 4),
              (std::vector<unsigned char>{0x00, 0xFF, 0x00, 0xFF}));

    DeviceCommand verify = Record(DeviceCommand::VerifyData);
    verify.SetData(second.data(), second.size());
    ASSERT_EQ(m_device.ExecuteCommand(&verify), 0);
    EXPECT_EQ(verify.result, vxsim::kResultVerifyMismatch);

    DeviceCommand erase = Record(DeviceCommand::EraseFlash);
    ASSERT_EQ(m_device.ExecuteCommand(&erase), 0);
    ASSERT_EQ(m_device.ExecuteCommand(&write), 0);
    ASSERT_EQ(m_device.ExecuteCommand(&verify), 0);
    EXPECT_EQ(verify.result, vxsim::kResultOk);
}

TEST_F(ProgrammingTest, ProgressGrowsWhileAnotherThreadWrites) {
    const int size = 24 * 1024;
    m_sim.SetProgrammingSpeed(48 * 1024);  // half a second
    auto image = Bytes(size);
    DeviceCommand write = Record(DeviceCommand::WriteData);
    write.SetData(image.data(), image.size());
    std::atomic<int> outcome{-1};
    std::thread worker([&] { outcome = m_device.ExecuteCommand(&write); });
    std::vector<int> seen;
    while (outcome.load() == -1) {
        int progress = -1;
        EXPECT_EQ(m_device.QueryProgress(&progress), 1);  // no ASSERT: the worker runs
        seen.push_back(progress);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    worker.join();
    ASSERT_EQ(outcome.load(), 0);
    EXPECT_EQ(write.result, vxsim::kResultOk);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    EXPECT_GE(seen.size(), 5u) << "progress must be seen growing, not jump to the end";
    EXPECT_GE(seen.front(), 0);
    EXPECT_LE(seen.back(), size);
    int last = -1;
    ASSERT_EQ(m_device.QueryProgress(&last), 1);
    EXPECT_EQ(last, size);
    auto flash = m_sim.GetFlash(0, 0);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}

// A rejected request, a record that does not hold what it claims, and no unit open: each
// fails (2), and no malformed record reaches the driver.
TEST_F(ProgrammingTest, RequestsThatCannotBeMadeFail) {
    DeviceCommand erase = Record(DeviceCommand::EraseFlash);
    int progress = 0;
    m_sim.RejectNextControl(0, 0);
    EXPECT_EQ(m_device.ExecuteCommand(&erase), 2);
    m_sim.RejectNextControl(0, 0);
    EXPECT_EQ(m_device.QueryProgress(&progress), 0);
    EXPECT_EQ(m_device.ExecuteCommand(&erase), 0) << "only the next request is rejected";

    DeviceCommand lying = Record(DeviceCommand::WriteData);
    lying.data = Bytes(10);
    lying.dataLength = 11;  // more than the record holds
    EXPECT_EQ(m_device.ExecuteCommand(&lying), 2);
    lying.data.assign(DeviceCommand::kMaxDataLength + 1, 0);
    lying.dataLength = DeviceCommand::kMaxDataLength + 1;
    EXPECT_EQ(m_device.ExecuteCommand(&lying), 2);
    EXPECT_EQ(m_device.ExecuteCommand(nullptr), 2);
    auto seen = m_sim.GetCommands(0, 0);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](const DeviceCommand& command) {
        return command.command == DeviceCommand::EraseFlash;
    }));

    m_device.Close();
    EXPECT_EQ(m_device.ExecuteCommand(&erase), 2);
    EXPECT_EQ(m_device.QueryProgress(&progress), 2);
}

TEST_F(ProgrammingTest, TheLargestImageTravelsWhole) {
    m_sim.SetFlashSize(static_cast<int>(DeviceCommand::kMaxDataLength));
    m_sim.SetProgrammingSpeed(1 << 30);
    std::vector<unsigned char> image(DeviceCommand::kMaxDataLength);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<unsigned char>(i * 7 + i / 251);
    }
    DeviceCommand write = Record(DeviceCommand::WriteData);
    write.SetData(image.data(), image.size());
    ASSERT_EQ(m_device.ExecuteCommand(&write), 0);
    EXPECT_EQ(write.result, vxsim::kResultOk);
    EXPECT_EQ(m_sim.GetFlash(0, 0), image);
}

// A long request must end when the unit goes away or the channel closes, not hang its thread.
struct InterruptCase {
    const char* name;
    bool unplug;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class InterruptTest : public ProgrammingTest,
                      public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(InterruptTest, OutstandingWriteFailsPromptly) {
    m_sim.SetProgrammingSpeed(8 * 1024);  // 4 s for the image below
    auto image = Bytes(32 * 1024);
    DeviceCommand write = Record(DeviceCommand::WriteData);
    write.SetData(image.data(), image.size());
    if (GetParam().unplug) {
        m_sim.UnplugDuringProgramming(0, 0, 2048);
    }
    std::atomic<int> outcome{-1};
    auto start = std::chrono::steady_clock::now();
    std::thread worker([&] { outcome = m_device.ExecuteCommand(&write); });
    if (!GetParam().unplug) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        m_device.Close();
    }
    worker.join();
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(outcome.load(), 2);
    EXPECT_LT(spent, std::chrono::milliseconds(1500));
    EXPECT_TRUE(m_sim.WaitOpen(0, 0, false, 2000));
    if (GetParam().unplug) {
        ASSERT_EQ(m_device.WaitPacket(2000), 1);
        EXPECT_FALSE(m_device.IsOpen());
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, InterruptTest,
                         ::testing::Values(InterruptCase{"Close", false},
                                           InterruptCase{"Unplug", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
