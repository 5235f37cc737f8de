#pragma once
// The traffic list's model: one compact record per line (time, direction, command, payload),
// texts built only when the view asks for them. Lines from any thread wait in CTrafficLog's
// pending batch; the model moves them in on the user-interface thread at most 30 times a
// second, so a fast device costs one row insertion per batch, not per packet. A bounded list
// removes its oldest rows first, a tenth of the bound at a time; selection and current line
// stay on their packets (Qt's persistent indexes), or go with them.

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <memory>

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
    // The list becomes these lines, read from a file, with times in the clock given.
    void LoadLines(CTrafficStore&& lines, TrafficClock clock);
    TrafficClock GetClock() const { return m_clock; }

    // At most this many lines (0: no bound); the next batch makes room.
    void SetMaxLines(std::size_t maxLines);
    // Lines that left through the bound since the list was last cleared.
    std::size_t GetDroppedCount() const { return m_log.GetDroppedCount(); }

    // The row's line; the row must be below rowCount().
    TrafficLine GetLine(int row) const;
    // A packet of its own with the row's command and payload; null for no row.
    std::unique_ptr<CPacket> CopyPacket(int row) const;
    // The row's tool tip: time, then data broken every 16 fields; empty for no row.
    QString GetTooltipText(int row) const;
    // Every line, for a search.
    const CTrafficStore& GetLines() const { return m_log.GetLines(); }

    // The direction arrows: a blue one pointing left for sent lines, a red one pointing right
    // for received lines, 16 x 16.
    static QIcon MakeArrowIcon(bool sent);

signals:
    // A batch is about to come in, the oldest lines perhaps to leave for it: the moment a view
    // decides whether it follows the new lines.
    void LinesAboutToArrive();

private:
    void ScheduleFlush();

    bool IsRow(int row) const { return row >= 0 && row < m_rows; }

    CTrafficLog m_log;
    TrafficClock m_clock = TrafficClock::Utc;
    // The rows announced; the log may hold a batch more while it is being announced.
    int m_rows = 0;
    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
    QIcon m_sentIcon;
    QIcon m_receivedIcon;
};
