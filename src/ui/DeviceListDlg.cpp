#include "ui/DeviceListDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "device/VXDevice.h"
#include "ui/CommandIds.h"
#include "ui/DialogPlacement.h"
#include "ui/GridDelegate.h"
#include "ui/UserDialogs.h"

CDeviceListDlg::CDeviceListDlg(CVXDevice& channel, CUserDialogs& dialogs, std::string directory,
                               QWidget* parent)
    : QDialog(parent),
      m_devices(channel),
      m_dialogs(dialogs),
      m_directory(std::move(directory)),
      m_list(new QTreeWidget(this)) {
    setWindowTitle(QStringLiteral("Выбор устройства"));
    m_list->setObjectName(QString::number(kListId));
    m_list->setAccessibleName(QStringLiteral("Устройства"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("Тип"), QStringLiteral("Номер"), QStringLiteral("Состояние")});
    m_list->setColumnWidth(0, 60);
    m_list->setColumnWidth(1, 90);
    m_list->setColumnWidth(2, 120);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setAllColumnsShowFocus(true);
    m_list->setUniformRowHeights(true);
    m_list->setItemDelegate(new CGridDelegate(m_list));
    m_list->header()->setSectionsClickable(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { OnContextMenu(position); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { Toggle(); });
    m_list->viewport()->installEventFilter(this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(310, 260);
    Fill();
    // A unit that goes away while the dialog is open stops being "Занято" without a click.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] { ShowStates(); });
    poll->start(kStatePollMs);
}

CDeviceListDlg::~CDeviceListDlg() = default;

// No way out but OK.
void CDeviceListDlg::reject() {}

void CDeviceListDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOverOwner(*this);
}

// A second channel probes the units and is gone (its reader thread ended) before the dialog
// shows.
void CDeviceListDlg::Fill() {
    CVXDevice probe(m_directory);
    m_devices.Fill(probe);
    m_list->clear();
    for (const DeviceRow& row : m_devices.GetRows()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QString::fromLatin1(CVXDevice::TypeName(row.typeIndex)));
        item->setData(0, Qt::UserRole, row.GetValue());
        item->setText(1, QString::number(row.number));
    }
    ShowStates();
}

void CDeviceListDlg::ShowStates() {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QString state = QString::fromUtf8(DeviceStateText(m_devices.IsOpenUnit(i)));
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->text(2) != state) {
            item->setText(2, state);
        }
    }
}

bool CDeviceListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

int CDeviceListDlg::GetSelectedRow() const {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.first());
}

QMenu* CDeviceListDlg::CreateContextMenu(int row, QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* connectItem =
        menu->addAction(QStringLiteral("Подключить"), this, [this] { Connect(); });
    connectItem->setData(ID_DEVICE_CONNECT);
    QAction* disconnectItem =
        menu->addAction(QStringLiteral("Отключить"), this, [this] { Disconnect(); });
    disconnectItem->setData(ID_DEVICE_DISCONNECT);
    const bool open = m_devices.IsOpenUnit(row);
    connectItem->setEnabled(!open);
    disconnectItem->setEnabled(open);
    return menu;
}

void CDeviceListDlg::OnContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_list->itemAt(position);
    if (item == nullptr) {
        return;
    }
    QMenu* menu = CreateContextMenu(m_list->indexOfTopLevelItem(item), this);
    menu->exec(m_list->viewport()->mapToGlobal(position));
    delete menu;
}

void CDeviceListDlg::Connect() {
    const int row = GetSelectedRow();
    if (row < 0) {
        return;
    }
    ShowOutcome(row, m_devices.Connect(row));
}

void CDeviceListDlg::Disconnect() {
    const int row = GetSelectedRow();
    if (row >= 0) {
        m_devices.Disconnect(row);
        ShowStates();
        emit UnitChosen();
    }
}

void CDeviceListDlg::Toggle() {
    const int row = GetSelectedRow();
    if (row < 0) {
        return;
    }
    ShowOutcome(row, m_devices.Toggle(row));
}

void CDeviceListDlg::ShowOutcome(int row, bool opened) {
    if (!opened) {
        delete m_list->takeTopLevelItem(row);  // the unit list has dropped it too
        m_list->clearSelection();              // no other row looks chosen in its place
        m_list->setCurrentItem(nullptr);
    }
    ShowStates();
    if (opened) {
        emit UnitChosen();
    } else {
        m_dialogs.ShowMessage(this, QStringLiteral("Невозможно открыть устройство"),
                              QStringLiteral("Ошибка"), MessageIcon::Error);
    }
}
