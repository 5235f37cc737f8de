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
    return parent.isValid() ? 0 : m_log.GetCount();
}

int CTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_log.GetCount()) {
        return {};
    }
    const TrafficLine& line = m_log.GetLine(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case TimeColumn:
                return QString::fromLatin1(FormatLineTime(line.time));
            case LengthColumn:
                return QString::fromLatin1(FormatPacketLength(*line.packet));
            case DataColumn:
                return QString::fromLatin1(FormatPacketData(*line.packet));
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

void CTrafficModel::Flush() {
    std::vector<TrafficLine> batch = m_log.TakePending();
    m_sinceFlush.restart();
    if (batch.empty()) {
        return;
    }
    const int first = m_log.GetCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(batch.size()) - 1);
    m_log.Append(std::move(batch));
    endInsertRows();
}

void CTrafficModel::ClearLog() {
    beginResetModel();
    m_log.Clear();
    endResetModel();
}

const CPacket* CTrafficModel::GetPacket(int row) const {
    if (row < 0 || row >= m_log.GetCount()) {
        return nullptr;
    }
    return m_log.GetLine(row).packet.get();
}

bool CTrafficModel::IsSentLine(int row) const {
    return row >= 0 && row < m_log.GetCount() && m_log.GetLine(row).sent;
}

QString CTrafficModel::GetDataText(int row) const {
    const CPacket* packet = GetPacket(row);
    return packet != nullptr ? QString::fromLatin1(FormatPacketData(*packet)) : QString();
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
