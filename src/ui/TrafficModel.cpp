#include "ui/TrafficModel.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <algorithm>

#include "app/TrafficText.h"
#include "packet/Packet.h"

CTrafficModel::CTrafficModel(QObject* parent)
    : QAbstractTableModel(parent),
      // Posting is all the adding thread does for the user-interface thread; the context
      // object drops the call if the model is gone by then.
      m_log([this] {
          QMetaObject::invokeMethod(
              this, [this] { ScheduleFlush(); }, Qt::QueuedConnection);
      }),
      m_sentIcon(MakeArrowIcon(true)),
      m_receivedIcon(MakeArrowIcon(false)) {
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, &CTrafficModel::Flush);
    m_sinceFlush.start();
}

CTrafficModel::~CTrafficModel() = default;

int CTrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int CTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !IsRow(index.row())) {
        return {};
    }
    const TrafficLine line = GetLine(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case TimeColumn:
                return QString::fromLatin1(FormatLineTime(line.time, m_clock));
            case LengthColumn:
                return QString::fromLatin1(FormatPacketLength(line));
            case DataColumn:
                return QString::fromLatin1(FormatPacketData(line));
            default:
                return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == TimeColumn) {
        return line.sent ? m_sentIcon : m_receivedIcon;
    }
    return {};
}

QVariant CTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case TimeColumn:
            return QStringLiteral("Дата/время");
        case LengthColumn:
            return QStringLiteral("Длина пакета");
        case DataColumn:
            return QStringLiteral("Данные");
        default:
            return {};
    }
}

bool CTrafficModel::AddPacket(const CPacket* packet, bool sent) {
    return m_log.AddPacket(packet, sent);
}

void CTrafficModel::ScheduleFlush() {
    if (m_flushTimer.isActive()) {
        return;
    }
    qint64 wait = kMinFlushIntervalMs - m_sinceFlush.elapsed();
    m_flushTimer.start(static_cast<int>(std::clamp<qint64>(wait, 0, kMinFlushIntervalMs)));
}

void CTrafficModel::SetMaxLines(std::size_t maxLines) {
    m_log.SetMaxLines(maxLines);
}

// The oldest rows leave before the batch comes in, so the list never holds more than its bound.
void CTrafficModel::Flush() {
    PendingLines batch = m_log.TakePending();
    m_sinceFlush.restart();
    const std::size_t incoming = batch.lines.GetCount();
    if (incoming == 0) {
        return;
    }
    emit LinesAboutToArrive();
    if (const std::size_t leaving = m_log.LinesToDrop(incoming); leaving > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(leaving) - 1);
        m_log.DropOldest(leaving);
        m_rows -= static_cast<int>(leaving);
        endRemoveRows();
    }
    const int added = static_cast<int>(m_log.Append(std::move(batch)));
    if (added > 0) {
        beginInsertRows(QModelIndex(), m_rows, m_rows + added - 1);
        m_rows += added;
        endInsertRows();
    }
}

void CTrafficModel::ClearLog() {
    beginResetModel();
    m_log.Clear();
    m_rows = 0;
    endResetModel();
}

void CTrafficModel::LoadLines(CTrafficStore&& lines, TrafficClock clock) {
    beginResetModel();
    m_log.Load(std::move(lines));
    m_clock = clock;
    m_rows = static_cast<int>(m_log.GetCount());
    endResetModel();
}

TrafficLine CTrafficModel::GetLine(int row) const {
    return m_log.GetLine(static_cast<std::size_t>(row));
}

std::unique_ptr<CPacket> CTrafficModel::CopyPacket(int row) const {
    if (!IsRow(row)) {
        return nullptr;
    }
    const TrafficLine line = GetLine(row);
    auto packet = std::make_unique<CPacket>();
    if (!packet->SetPacket(line.command, line.payload, line.length)) {
        return nullptr;
    }
    return packet;
}

QString CTrafficModel::GetTooltipText(int row) const {
    return IsRow(row) ? QString::fromLatin1(MakeTooltipText(GetLine(row), m_clock)) : QString();
}

QIcon CTrafficModel::MakeArrowIcon(bool sent) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = sent ? QColor(0, 0, 255) : QColor(255, 0, 0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    // Drawn pointing right, then mirrored for the sent arrow.
    QPolygon arrow({QPoint(1, 6), QPoint(8, 6), QPoint(8, 1), QPoint(15, 8), QPoint(8, 15),
                    QPoint(8, 10), QPoint(1, 10)});
    if (sent) {
        for (QPoint& point : arrow) {
            point.setX(15 - point.x());
        }
    }
    painter.drawPolygon(arrow);
    painter.end();
    return QIcon(pixmap);
}
