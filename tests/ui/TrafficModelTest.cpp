#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <map>
#include <thread>

#include "GuiSupport.h"
#include "packet/Packet.h"
#include "ui/TavrinView.h"
#include "ui/TrafficModel.h"

namespace {

void AddNumbered(CTrafficModel& model, unsigned char command, int i) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(i >> 8),
                                    static_cast<unsigned char>(i)};
    CPacket packet;
    packet.SetPacket(command, bytes, 2);
    model.AddPacket(&packet, command == 0x60);
}

// The model under Qt's own checker: batches from another thread, lines from this one, and
// clearing, with the row announcements matching what data() then shows. No line is lost and
// each thread's lines keep their order.
TEST(TrafficModel, KeepsQtsModelContract) {
    CTavrinView view;
    CTrafficModel& model = *view.GetModel();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::thread receiver([&model] {
        for (int i = 0; i < 2000; ++i) {
            AddNumbered(model, 0x50, i);
        }
    });
    for (int i = 0; i < 200; ++i) {
        AddNumbered(model, 0x60, i);
        model.Flush();  // as the view does for a line added on its own thread
        QApplication::processEvents();
    }
    receiver.join();
    ASSERT_TRUE(WaitUntil([&] { return model.rowCount() == 2200; }));
    std::map<int, int> next = {{0x50, 0}, {0x60, 0}};
    for (int row = 0; row < model.rowCount(); ++row) {
        const TrafficLine line = model.GetLine(row);
        ASSERT_EQ(line.payload[0] << 8 | line.payload[1], next[line.command]++);
    }
    view.ClearLog();
    EXPECT_EQ(model.rowCount(), 0);
    CPacket again(0x61);
    view.AddPacket(&again, false);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 2).data().toString(), "02:61");
}

// Lines from another thread come in batches, not one insertion each.
TEST(TrafficModel, InsertsReceivedLinesInBatches) {
    CTrafficModel model;
    int insertions = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    std::thread receiver([&model] {
        CPacket packet(0x70);
        for (int i = 0; i < 20000; ++i) {
            model.AddPacket(&packet, false);
        }
    });
    receiver.join();
    ASSERT_TRUE(WaitUntil([&] { return model.rowCount() == 20000; }));
    EXPECT_LE(insertions, 3);
}

}  // namespace
