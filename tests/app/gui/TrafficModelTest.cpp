#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <thread>

#include "GuiSupport.h"
#include "app/TavrinView.h"
#include "app/TrafficModel.h"
#include "packet/Packet.h"

namespace {

// The model under Qt's own checker: batches from another thread, lines from this one, and
// clearing, with the row announcements matching what data() then shows.
TEST(TrafficModel, KeepsQtsModelContract) {
    CTavrinView view;
    CTrafficModel& model = *view.GetModel();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::thread receiver([&model] {
        for (int i = 0; i < 500; ++i) {
            CPacket packet;
            unsigned char byte = static_cast<unsigned char>(i);
            packet.SetPacket(0x50, &byte, 1);
            model.AddPacket(&packet, false);
        }
    });
    CPacket sent(0x60);
    for (int i = 0; i < 50; ++i) {
        view.AddPacket(&sent, true);
        QApplication::processEvents();
    }
    receiver.join();
    ASSERT_TRUE(WaitUntil([&] { return model.rowCount() == 550; }));
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
