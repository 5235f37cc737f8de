// A capture from the field played back by vxsim: monitor --pcap records packets of mixed lengths
// from one simulator; a vxsim replaying that capture gives a second monitor the same packets in
// the same order, spaced as recorded at speed 1 and without the gaps at speed 0.

#include <algorithm>
#include <chrono>
#include <thread>

#include "CliSupport.h"
#include "capture/TrafficFile.h"

namespace {

constexpr int kPackets = 200;
// The gaps between the packets sent, in turn (6.25 ms on average): half of them longer than
// the 5 ms that any gap may be off by.
constexpr int kGapsMs[] = {0, 1, 8, 16};

struct Framing {
    const char* name;
    bool split;
    int longest;  // payload bytes; the lengths go up to it
};
void PrintTo(const Framing& framing, std::ostream* out) {
    *out << framing.name;
}

class CliReplay : public CliTest, public ::testing::WithParamInterface<Framing> {
protected:
    // A monitor of USB0 in dir until it has every packet, its capture in pcap; its lines go to a
    // file, which never keeps it waiting as an unread pipe would.
    std::unique_ptr<CChildProcess> StartMonitor(const std::string& dir, const std::string& pcap) {
        const std::string command = std::string("exec ") + CLI_PATH + " --dir " + dir +
                                    (GetParam().split ? " --split" : "") +
                                    " monitor USB0 --count " + std::to_string(kPackets) +
                                    " --pcap " + pcap + " >" + pcap + ".txt";
        return std::make_unique<CChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command},
                                               m_dir.Path().string());
    }
    static TrafficFile Read(const std::string& path) {
        TrafficFile file;
        std::string error;
        EXPECT_TRUE(ReadTrafficFile(path, &file, &error)) << path << ": " << error;
        EXPECT_EQ(file.cutShort, "");
        return file;
    }
    // The packets sent from the simulator of the fixture, as a monitor captures them.
    std::string RecordFieldCapture() {
        EXPECT_TRUE(m_sim.AddUnit(0, 0));
        m_sim.SetFraming(0, 0, GetParam().split ? vxsim::Framing::Split : vxsim::Framing::Single);
        const std::string pcap = Scratch("field.pcap");
        auto monitor = StartMonitor(m_units, pcap);
        EXPECT_TRUE(m_sim.WaitOpen(0, 0, true, 5000));
        for (int i = 0; i < kPackets; ++i) {
            const std::vector<unsigned char> payload(
                static_cast<std::size_t>((i * 37) % (GetParam().longest + 1)),
                static_cast<unsigned char>(i));
            EXPECT_TRUE(m_sim.SendPacket(0, 0, static_cast<unsigned char>(1 + i % 250),
                                         payload.data(), static_cast<int>(payload.size())));
            std::this_thread::sleep_for(std::chrono::milliseconds(kGapsMs[i % 4]));
        }
        EXPECT_EQ(monitor->Wait(10000), 0) << monitor->Err();
        return pcap;
    }
};

std::int64_t Span(const TrafficFile& file) {
    return file.records.back().time - file.records.front().time;
}

TEST_P(CliReplay, PlaysTheCapturedPacketsInOrderSpacedAsRecorded) {
    const std::string field = RecordFieldCapture();
    TempDir units;
    CChildProcess vxsim({VXSIM_PATH, "--dir", UnitDirectory(units), "--unit",
                         GetParam().split ? "USB0:split" : "USB0", "--replay", field});
    ASSERT_NE(vxsim.ReadUntil("vxsim:").find("serving USB0"), std::string::npos) << vxsim.Err();
    const std::string replayed = Scratch("replayed.pcap");
    ASSERT_EQ(StartMonitor(UnitDirectory(units), replayed)->Wait(10000), 0);

    const TrafficFile original = Read(field);
    const TrafficFile copy = Read(replayed);
    ASSERT_EQ(original.records.size(), static_cast<std::size_t>(kPackets));
    ASSERT_EQ(copy.records.size(), original.records.size());
    // Each gap as recorded, within 20 % or 5 ms: but for a few, since a machine busy with
    // other work (or a sanitizer) may keep either program from its turn now and then; with no
    // gap too long or too short as a rule.
    std::vector<std::int64_t> errors;
    std::string spacing;
    for (std::size_t i = 0; i < original.records.size(); ++i) {
        TrafficRecord same = copy.records[i];
        same.time = original.records[i].time;
        ASSERT_EQ(same, original.records[i]) << "packet " << i + 1;
        if (i == 0) {
            continue;
        }
        const std::int64_t recorded = original.records[i].time - original.records[i - 1].time;
        const std::int64_t played = copy.records[i].time - copy.records[i - 1].time;
        errors.push_back(played - recorded);
        if (std::abs(played - recorded) > std::max<std::int64_t>(recorded / 5, 5000)) {
            spacing += " packet " + std::to_string(i + 1) + ": " + std::to_string(played) +
                       " us after the one before, recorded " + std::to_string(recorded) + ";";
        }
    }
    EXPECT_LE(std::count(spacing.begin(), spacing.end(), ';'), kPackets / 10) << spacing;
    std::nth_element(errors.begin(), errors.begin() + errors.size() / 2, errors.end());
    EXPECT_LT(std::abs(errors[errors.size() / 2]), 2000) << "the middle gap's error, in us";

    vxsim.Say("replay USB0 " + field + " 0");
    EXPECT_EQ(vxsim.ReadUntil(""), "OK\n");
    const std::string fast = Scratch("fast.pcap");
    ASSERT_EQ(StartMonitor(UnitDirectory(units), fast)->Wait(10000), 0);
    const TrafficFile quick = Read(fast);
    ASSERT_EQ(quick.records.size(), original.records.size());
    EXPECT_LT(Span(quick), Span(original) / 3) << "speed 0 waits for no gap";
    vxsim.Say("quit");
    EXPECT_EQ(vxsim.Wait(), 0);
    EXPECT_EQ(vxsim.Err(), "");
}

INSTANTIATE_TEST_SUITE_P(Framings, CliReplay,
                         ::testing::Values(Framing{"Single", false, 253},
                                           Framing{"Split", true, 700}));

}  // namespace
