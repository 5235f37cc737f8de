// The readers of recorded traffic: what they take (captures as CCaptureFile and Wireshark write
// them, log lines as the log writes them), and what they refuse, naming the record or line.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/CaptureFile.h"
#include "capture/TrafficFile.h"
#include "support/TempFiles.h"

namespace {

// A capture's fields in the byte order asked for.
struct Fields {
    bool big = false;
    std::string bytes;

    Fields& U16(std::uint16_t value) {
        const char pair[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
        bytes += big ? std::string{pair[1], pair[0]} : std::string(pair, 2);
        return *this;
    }
    Fields& U32(std::uint32_t value) {
        big ? U16(static_cast<std::uint16_t>(value >> 16)).U16(value & 0xFFFF)
            : U16(value & 0xFFFF).U16(static_cast<std::uint16_t>(value >> 16));
        return *this;
    }
};

std::string Header(bool big = false, bool nano = false, std::uint16_t major = 2,
                   std::uint32_t link = 147) {
    return Fields{big, {}}
        .U32(nano ? 0xA1B23C4D : 0xA1B2C3D4)
        .U16(major)
        .U16(4)
        .U32(0)
        .U32(0)
        .U32(65535)
        .U32(link)
        .bytes;
}

// A record whose packet length is data's, unless given.
std::string Record(const std::string& data, std::uint32_t fraction = 0, bool big = false,
                   std::int64_t length = -1) {
    const auto kept = static_cast<std::uint32_t>(data.size());
    return Fields{big, {}}
               .U32(1700000000)
               .U32(fraction)
               .U32(kept)
               .U32(length < 0 ? kept : static_cast<std::uint32_t>(length))
               .bytes +
           data;
}

struct Refusal {
    const char* why;
    std::string bytes;
    std::string message;
};
void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.why;
}

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, NamesTheRecordOrLineAndWhatIsWrong) {
    TrafficFile file;
    std::string error;
    EXPECT_FALSE(ParseTrafficFile(GetParam().bytes, &file, &error));
    EXPECT_EQ(error, GetParam().message);
}

const std::string kGood = std::string("\0\x0A\x01", 3);
const std::string kLine = "[01.02.2024 10:00:00] - RECV: 03 0A 01\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, Refused,
    ::testing::Values(
        Refusal{"empty", "", "Файл пуст: в нём нет ни захвата, ни строк журнала"},
        Refusal{"text", "hello\r\n", "Это не захват (pcap) и не журнал Tavrin"},
        Refusal{"pcapng", std::string("\x0A\x0D\x0D\x0A", 4) + std::string(40, '\0'),
                "Захват в формате pcapng: сохраните его в Wireshark в формате pcap "
                "(Wireshark/tcpdump — pcap)"},
        Refusal{"header cut", Header().substr(0, 10), "Заголовок захвата обрезан: 10 байт из 24"},
        Refusal{"version", Header(false, false, 1), "Захват версии 1.4 не читается (нужна 2.4)"},
        Refusal{"link type", Header(true, false, 2, 1),
                "Тип канала захвата 1, а не 147 (USER0): это не захват пакетов VX"},
        Refusal{"longer than the snap length",
                Header() + Record(kGood) + Record(std::string(65536, 1)),
                "Запись 2: длина больше снимка (65536 байт при снимке 65535)"},
        Refusal{"packet cut by the snap length", Header() + Record(kGood, 0, false, 5),
                "Запись 1: пакет записан не целиком (3 байт из 5)"},
        Refusal{"kept more than the packet", Header() + Record(kGood, 0, false, 2),
                "Запись 1: записано 3 байт, больше длины пакета (2)"},
        Refusal{"microseconds", Header() + Record(kGood, 1000000),
                "Запись 1: неверная отметка времени (1000000 микросекунд)"},
        Refusal{"no command", Header() + Record(std::string(1, '\0')),
                "Запись 1: в записи нет направления и команды (1 байт)"},
        Refusal{"direction", Header() + Record(std::string("\x02\x0A", 2)),
                "Запись 1: неизвестное направление 2 (0 — принят, 1 — отправлен)"},
        Refusal{"command 0", Header() + Record(std::string("\x01\x00", 2)),
                "Запись 1: команда 00 не образует пакета"},
        Refusal{"too long for a packet",
                Header() + Record(std::string("\x00\x0A", 2) + std::string(15300, 1)),
                "Запись 1: данных 15300 байт, больше, чем вмещает пакет (15299)"},
        Refusal{"length disagrees", kLine + "[01.02.2024 10:00:01] - SEND: 05 0A 0102\r\n",
                "Строка 2: неверная длина пакета: 05, а данных 2 байт (должно быть 04)"},
        Refusal{"no date", kLine + "\r\n[31.02.2024 10:00:00] - RECV: 02 0A \r\n",
                "Строка 3: неверная дата или время «31.02.2024 10:00:00»"},
        Refusal{"no stamp", "[01.02.2024 10:00] - RECV: 02 0A \r\n",
                "Строка 1: нет отметки времени «[дд.мм.гггг чч:мм:сс] - » в начале строки"},
        Refusal{"another line", kLine + "hello\r\n" + kLine,
                "Строка 2: нет отметки времени «[дд.мм.гггг чч:мм:сс] - » в начале строки"},
        Refusal{"direction word", "[01.02.2024 10:00:00.123] - SENT: 02 0A \r\n",
                "Строка 1: после отметки времени нет «RECV: » или «SEND: »"},
        Refusal{"length digits", "[01.02.2024 10:00:00] - RECV: 0G 0A \r\n",
                "Строка 1: неверная длина пакета «0G»"},
        Refusal{"command digits", "[01.02.2024 10:00:00] - RECV: 02 A \r\n",
                "Строка 1: неверная команда «A»"},
        Refusal{"odd payload", "[01.02.2024 10:00:00] - RECV: 03 0A 012\r\n",
                "Строка 1: данные пакета не записаны парами шестнадцатеричных цифр"},
        Refusal{"log command 0", "[01.02.2024 10:00:00] - RECV: 02 00 \r\n",
                "Строка 1: команда 00 не образует пакета"}));

TrafficRecord MakeRecord(std::int64_t time, bool sent, unsigned char command, std::size_t length) {
    TrafficRecord record{time, sent, command, {}};
    for (std::size_t i = 0; i < length; ++i) {
        record.payload.push_back(static_cast<unsigned char>(i * 7 + command));
    }
    return record;
}

// What the writer writes comes back: every length up to the largest split packet, both
// directions, the stamps to the microsecond.
TEST(CaptureReader, ReadsBackWhatItWrote) {
    TempDir dir;
    const std::string path = (dir.Path() / "written.pcap").string();
    const std::vector<TrafficRecord> records = {MakeRecord(1700000000123456, false, 0x0A, 0),
                                                MakeRecord(1700000000123457, true, 0xFF, 253),
                                                MakeRecord(1700000001000000, false, 0x01, 15299)};
    CCaptureFile capture;
    std::string error;
    ASSERT_TRUE(capture.Open(path, &error)) << error;
    for (const TrafficRecord& record : records) {
        capture.Write(record);
    }
    capture.Close();
    TrafficFile file;
    ASSERT_TRUE(ReadTrafficFile(path, &file, &error)) << error;
    EXPECT_EQ(file.kind, TrafficFileKind::Capture);
    EXPECT_EQ(file.records, records);
    EXPECT_EQ(file.cutShort, "");
}

// Wireshark saves captures in the machine's byte order, with microsecond or nanosecond stamps.
TEST(CaptureReader, ReadsEitherByteOrderAndNanoseconds) {
    for (const bool big : {false, true}) {
        for (const bool nano : {false, true}) {
            const std::string bytes = Header(big, nano) + Record(std::string("\x01\x2A\x05", 3),
                                                                 nano ? 999999999 : 999999, big);
            TrafficFile file;
            std::string error;
            ASSERT_TRUE(ParseTrafficFile(bytes, &file, &error)) << error;
            ASSERT_EQ(file.records.size(), 1U);
            EXPECT_EQ(file.records[0], (TrafficRecord{1700000000999999, true, 0x2A, {5}}))
                << big << nano;
        }
    }
}

// The log's lines as the log and monitor write them: stamps to the second or the millisecond,
// lengths of more than two digits, empty payloads, CR LF or LF alone, empty lines passed over.
TEST(LogReader, ReadsTheLinesTheLogWrites) {
    const std::string payload300(600, 'E');
    const std::string text =
        "[29.02.2024 23:59:59.123] - RECV: 02 0A \r\n\r\n"
        "[01.03.2024 00:00:00] - SEND: 12E FF " +
        payload300 +
        "\n"
        "[01.03.2024 00:00:01] - RECV: 04 0b a0B1";
    TrafficFile file;
    std::string error;
    ASSERT_TRUE(ParseTrafficFile(text, &file, &error)) << error;
    EXPECT_EQ(file.kind, TrafficFileKind::Log);
    EXPECT_EQ(file.cutShort, "");
    ASSERT_EQ(file.records.size(), 3U);
    // 2024-02-29 23:59:59 is 1709251199 s after 1970-01-01 00:00:00.
    EXPECT_EQ(file.records[0], (TrafficRecord{1709251199123000, false, 0x0A, {}}));
    EXPECT_EQ(file.records[1].time, 1709251200000000);
    EXPECT_EQ(file.records[1].payload, std::vector<unsigned char>(300, 0xEE));
    EXPECT_EQ(file.records[2], (TrafficRecord{1709251201000000, false, 0x0B, {0xA0, 0xB1}}));
    EXPECT_EQ(FormatTrafficLine(file.records[0], file.HasLocalTime()),
              "[29.02.2024 23:59:59] - RECV: 02 0A ");
}

struct CutCase {
    const char* why;
    std::string bytes;
    std::size_t records;
    std::string message;
};
void PrintTo(const CutCase& c, std::ostream* out) {
    *out << c.why;
}

class CutShort : public ::testing::TestWithParam<CutCase> {};

// A file that ends inside a record or line gives the records before it and says where.
TEST_P(CutShort, KeepsTheRecordsBeforeTheCut) {
    TrafficFile file;
    std::string error;
    ASSERT_TRUE(ParseTrafficFile(GetParam().bytes, &file, &error)) << error;
    EXPECT_EQ(file.records.size(), GetParam().records);
    EXPECT_EQ(file.cutShort, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CutShort,
    ::testing::Values(
        CutCase{"in a record's header", Header() + Record(kGood) + Record(kGood).substr(0, 15), 1,
                "Запись 2: файл кончается внутри записи; прочитано записей: 1"},
        CutCase{"in a record's data",
                Header() + Record(kGood) + Record(kGood) + Record(kGood).substr(0, 18), 2,
                "Запись 3: файл кончается внутри записи; прочитано записей: 2"},
        CutCase{"in a log line", kLine + kLine + "[01.02.2024 10:00:02] - RECV: 05 0A 01", 2,
                "Строка 3: файл кончается посреди строки; прочитано записей: 2"}));

}  // namespace
