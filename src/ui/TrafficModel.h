#pragma once
// The traffic list's model: one small record per line (time, direction, packet copy), texts
// built only when the view asks for them. Lines from any thread wait in CTrafficLog's pending
// batch; the model moves them in on the user-interface thread at most 30 times a second, so a
// fast device costs one row insertion per batch, not per packet.

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>

#include "app/TrafficLog.h"

class CTrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn = 0, LengthColumn = 1, DataColumn = 2, ColumnCount = 3 };
    static constexpr int kMinFlushIntervalMs = 33;

    explicit CTrafficModel(QObject* parent = nullptr);
    ~CTrafficModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Any thread; never waits for the user-interface thread.
    bool AddPacket(const CPacket* packet, bool sent);
    // User-interface thread: moves the pending lines in now.
    void Flush();
    void ClearLog();

    const CPacket* GetPacket(int row) const;
    // True for a sent line, false for a received one (and for no line).
    bool IsSentLine(int row) const;
    QString GetDataText(int row) const;

    // The direction arrows: a blue one pointing left for sent lines, a red one pointing right
    // for received lines, 16 x 16.
    static QIcon MakeArrowIcon(bool sent);

private:
    void ScheduleFlush();

    CTrafficLog m_log;
    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
    QIcon m_sentIcon;
    QIcon m_receivedIcon;
};
