#include "ui/HexViewCtrl.h"

#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>

#include "ui/HexViewPainter.h"
#include "ui/NumEdit.h"

namespace {

constexpr int kWheelStep = 120;  // one notch of an ordinary mouse wheel

QRect ToQRect(const HexRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

// The tip in a fixed font, its lines and runs of spaces kept as the format made them.
QString TipHtml(const QString& text) {
    QString html = text.toHtmlEscaped();
    html.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<span style=\"font-family:monospace; white-space:nowrap\">%1</span>")
        .arg(html);
}

}  // namespace

CHexViewCtrl::CHexViewCtrl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted; nothing is erased first
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Байты пакета"));
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->setAccessibleName(QStringLiteral("Прокрутка"));
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this,
            [this](int value) { OnScrollBar(value); });
    // Any scroll-bar action closes an editor on a grid cell and the tip, even one that moves
    // nothing.
    connect(m_scrollBar, &QAbstractSlider::actionTriggered, this, [this] {
        CloseGridEditor();
        HideTip();
    });
    SetDefaultColours(false);
    SetFont(QStringLiteral("Courier"), 8, false, false, false, false, false);
}

CHexViewCtrl::~CHexViewCtrl() = default;

void CHexViewCtrl::SetData(int byteCount, const unsigned char* data,
                           const unsigned char* comparison, bool redraw) {
    CloseEditor();
    HideTip();
    m_state.SetData(byteCount, data, comparison);
    Relayout();
    if (redraw) {
        update();
    }
}

void CHexViewCtrl::SetStyle(std::uint32_t set, std::uint32_t clear, bool redraw) {
    CloseEditor();
    m_state.SetStyle(set, clear);
    Relayout();
    if (redraw) {
        update();
    }
}

void CHexViewCtrl::SetFont(const QString& face, int points, bool underline, bool bold,
                           bool strikeOut, bool italic, bool redraw) {
    CloseEditor();
    QFont font(face);
    font.setPointSize(points > 0 ? points : 8);
    font.setUnderline(underline);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStrikeOut(strikeOut);
    font.setItalic(italic);
    // "Courier" stands for the system's fixed font wherever no face of that name is installed.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    m_font = font;
    m_painter = std::make_unique<CHexViewPainter>(m_font);
    Relayout();
    if (redraw) {
        update();
    }
}

QColor CHexViewCtrl::SetColour(int index, const QColor& colour, bool redraw) {
    if (index < 0 || index >= ColourCount) {
        return {};
    }
    const QColor old = m_colours[index];
    m_colours[index] = colour;
    if (index >= ColourEditorText && index <= ColourEditorInvalidBackground) {
        ApplyEditorColours();
    }
    if (redraw) {
        update();
    }
    return old;
}

void CHexViewCtrl::SetDefaultColours(bool redraw) {
    const QPalette& system = palette();
    const QColor shadow = system.color(QPalette::Dark);
    const QColor defaults[ColourCount] = {system.color(QPalette::WindowText),
                                          system.color(QPalette::Base),
                                          QColor(255, 0, 0),
                                          QColor(0, 0, 0),
                                          QColor(255, 255, 0),
                                          QColor(255, 255, 255),
                                          QColor(255, 0, 0),
                                          QColor(0, 255, 255),
                                          QColor(0, 176, 0),
                                          shadow,
                                          shadow,
                                          shadow};
    std::copy(std::begin(defaults), std::end(defaults), std::begin(m_colours));
    ApplyEditorColours();
    if (redraw) {
        update();
    }
}

void CHexViewCtrl::SetReplacementChar(char replacement, bool redraw) {
    m_state.SetReplacementChar(replacement);
    if (redraw) {
        update();
    }
}

void CHexViewCtrl::SetInfoFormat(const std::string& format, bool active) {
    m_state.SetInfoFormat(format);
    m_infoActive = active && !format.empty();
    HideTip();
}

void CHexViewCtrl::Relayout() {
    const HexMetrics metrics{m_painter->Cx(), m_painter->Cy(),
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this)};
    m_state.SetLayout(ComputeHexLayout({0, 0, width(), height()}, metrics, m_state.GetStyle(),
                                       m_state.GetAddressWidth(), m_state.GetUnitBytes()));
    SyncScrollBar();
}

void CHexViewCtrl::SyncScrollBar() {
    const HexLayout& layout = m_state.GetLayout();
    const int max = m_state.ScrollMax();
    m_syncing = true;
    m_scrollBar->setGeometry(ToQRect(layout.scrollBar));
    m_scrollBar->setRange(0, max);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(std::max(1, layout.unitsPerPage / layout.LineStep()));
    m_scrollBar->setValue(m_state.ScrollPosition());
    m_scrollBar->setVisible(max > 0);
    m_syncing = false;
}

void CHexViewCtrl::Changed(int oldTop) {
    if (m_state.GetTop() != oldTop) {
        SyncScrollBar();
        // What lies under a pointer that did not move has changed.
        if (underMouse()) {
            const QPoint pointer = mapFromGlobal(QCursor::pos());
            m_state.SetPointer(pointer.x(), pointer.y());
        }
        if (m_notify) {
            emit HexTopChanged(m_state.GetTop());
        }
    }
    update();
}

void CHexViewCtrl::OnScrollBar(int position) {
    if (m_syncing) {
        return;
    }
    const int oldTop = m_state.GetTop();
    m_state.Scroll(HexScroll::Track, position);
    Changed(oldTop);
}

bool CHexViewCtrl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (m_infoActive && m_tipActive && !m_tipText.isEmpty()) {
            QToolTip::showText(help->globalPos(), TipHtml(m_tipText), this,
                               ToQRect(m_state.GetHotRect()));
        }
        return true;
    }
    return QWidget::event(event);
}

void CHexViewCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    HexPaintColours colours;
    std::copy(std::begin(m_colours), std::end(m_colours), colours.table.begin());
    colours.buttonFace = palette().color(QPalette::Button);
    colours.light = palette().color(QPalette::Light);
    colours.shadow = palette().color(QPalette::Dark);
    m_painter->Paint(painter, event->rect(), m_state, colours, hasFocus(), isEnabled());
}

void CHexViewCtrl::resizeEvent(QResizeEvent*) {
    CloseEditor();
    Relayout();
}

void CHexViewCtrl::keyPressEvent(QKeyEvent* event) {
    if (HandleOpeningKey(event)) {
        event->accept();
        return;
    }
    const std::optional<HexKey> key =
        HexKeyOf(CNumEdit::KeyOf(event->key()), (event->modifiers() & Qt::ControlModifier) != 0);
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    CloseEditor();
    const int oldTop = m_state.GetTop();
    m_state.MoveCaret(*key);
    Changed(oldTop);
}

// Enter opens the first data column for the caret; Ctrl+H, D, B, O and A the info field of
// that notation, and are taken whether or not the field is on.
bool CHexViewCtrl::HandleOpeningKey(QKeyEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !ctrl) {
        if (m_editor) {
            return false;
        }
        OpenEditor(m_state.GetCaret(), m_state.EnterColumn());
        return true;
    }
    const int field =
        ctrl ? HexInfoFieldOf(NumEditSwitchAction(CNumEdit::KeyOf(key))) : HexNoColumn;
    if (field == HexNoColumn) {
        return false;
    }
    if (IsColumnOn(m_state.GetStyle(), field) && !m_state.Has(HexStyleReadOnly)) {
        OpenEditor(m_state.GetCaret(), field);
    }
    return true;
}

void CHexViewCtrl::mouseMoveEvent(QMouseEvent* event) {
    UpdatePointer(event->position().toPoint());
    UpdateTip();
}

void CHexViewCtrl::UpdatePointer(const QPoint& position) {
    const HexRect oldHot = m_state.GetHotRect();
    const int oldColumn = m_state.GetHotColumn();
    const int oldUnit = m_state.GetHotUnit();
    m_state.SetPointer(position.x(), position.y());
    if (m_state.Has(HexStyleDragSelect)) {
        update();
        return;
    }
    if (m_state.GetHotColumn() != oldColumn || m_state.GetHotUnit() != oldUnit) {
        update(ToQRect(oldHot));
        update(ToQRect(m_state.GetHotRect()));
        update(ToQRect(m_state.GetLayout().panel));  // the fields describe the unit shown
    }
}

void CHexViewCtrl::UpdateTip() {
    if (!m_infoActive) {
        return;
    }
    switch (m_state.NextTipStep()) {
        case HexTipStep::Hide:
            HideTip();
            break;
        case HexTipStep::Show:
            m_tipActive = true;
            break;
        case HexTipStep::NewText:
            QToolTip::hideText();
            m_tipActive = false;
            m_tipText = m_painter->Decode(m_state.InfoText(m_state.GetTipUnit()), true);
            m_tipText.remove(QLatin1Char('\r'));
            break;
    }
}

void CHexViewCtrl::HideTip() {
    if (m_tipActive || !m_tipText.isEmpty()) {
        QToolTip::hideText();
    }
    m_tipActive = false;
    m_tipText.clear();
    m_state.ForgetTip();
}

void CHexViewCtrl::mousePressEvent(QMouseEvent* event) {
    HideTip();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_state.SetPointer(event->position().toPoint().x(), event->position().toPoint().y());
    const int oldTop = m_state.GetTop();
    if (m_state.Press()) {
        CloseEditor();
        Changed(oldTop);
    } else if (m_editor) {
        m_editor->setFocus();  // a click beside the cells leaves the editor as it was
    }
}

void CHexViewCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const std::optional<std::pair<int, int>> made = m_state.Release();
    if (made && m_notify) {
        emit HexSelectionMade(made->first, made->second);
    }
}

void CHexViewCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_state.SetPointer(event->position().toPoint().x(), event->position().toPoint().y());
    if (m_editor && m_state.GetHotColumn() == HexNoColumn) {
        m_editor->setFocus();
        return;
    }
    int previousUnit = -1;
    if (m_editor) {
        if (!IsAddressColumn(m_state.GetEditedColumn())) {
            CommitEditor();
        }
        previousUnit = m_state.GetEditedUnit();
        CloseEditor();
    }
    const int oldTop = m_state.GetTop();
    const std::optional<std::pair<int, int>> target = m_state.DoubleClickTarget(previousUnit);
    Changed(oldTop);
    if (target) {
        OpenEditor(target->first, target->second);
    }
}

void CHexViewCtrl::wheelEvent(QWheelEvent* event) {
    CloseGridEditor();
    HideTip();
    const int oldTop = m_state.GetTop();
    m_wheelDelta += event->angleDelta().y();
    for (; m_wheelDelta >= kWheelStep; m_wheelDelta -= kWheelStep) {
        m_state.Scroll(HexScroll::LineUp);
    }
    for (; m_wheelDelta <= -kWheelStep; m_wheelDelta += kWheelStep) {
        m_state.Scroll(HexScroll::LineDown);
    }
    Changed(oldTop);
    event->accept();
}

void CHexViewCtrl::leaveEvent(QEvent*) {
    const HexRect oldHot = m_state.GetHotRect();
    m_state.ClearPointer();
    HideTip();
    update(ToQRect(oldHot));
    update(ToQRect(m_state.GetLayout().panel));
}

void CHexViewCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        CloseEditor();
    }
    QWidget::changeEvent(event);
    update();
}

void CHexViewCtrl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CHexViewCtrl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CHexViewCtrl::OpenEditor(int unit, int column) {
    CloseEditor();
    const int oldTop = m_state.GetTop();
    const std::optional<HexEditorSetup> setup = m_state.OpenEditor(unit, column);
    Changed(oldTop);
    if (!setup || !isEnabled()) {
        m_state.CloseEditor();
        return;
    }
    auto* editor = new CNumEdit(this);
    editor->setObjectName(QStringLiteral("editor%1").arg(CNumEdit::kControlId));
    editor->setFont(m_font);
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignCenter);
    editor->setTextMargins(0, 0, 0, 0);
    editor->setContentsMargins(0, 0, 0, 0);
    editor->SetNumber(setup->value, setup->base, setup->rangeKind, setup->low, setup->high,
                      setup->digits);
    editor->setGeometry(ToQRect(setup->rect));
    m_editor = editor;
    ApplyEditorColours();
    connect(editor, &CNumEdit::NumEditCommit, this, [this] { OnEditorCommit(); });
    connect(editor, &CNumEdit::NumEditCancel, this, [this] { CloseEditor(); });
    connect(editor, &CNumEdit::NumEditNavigate, this,
            [this](int action, unsigned) { OnEditorNavigate(action); });
    connect(editor, &CNumEdit::NumEditSwitchBase, this,
            [this](int action, unsigned) { OnEditorSwitch(action); });
    editor->show();
    editor->setFocus();
    editor->selectAll();
}

// The editor goes later: it may be the one whose key handler is running.
void CHexViewCtrl::CloseEditor() {
    m_state.CloseEditor();
    CNumEdit* editor = m_editor;
    if (editor == nullptr) {
        return;
    }
    m_editor = nullptr;
    editor->disconnect(this);
    if (editor->hasFocus()) {
        setFocus();
    }
    editor->hide();
    editor->deleteLater();
    update();
}

void CHexViewCtrl::CloseGridEditor() {
    if (m_editor && IsGridColumn(m_state.GetEditedColumn())) {
        CloseEditor();
    }
}

bool CHexViewCtrl::CommitEditor() {
    if (!m_editor) {
        return true;
    }
    const std::uint32_t value = m_editor->Value();
    if (!m_editor->IsValid()) {
        return false;
    }
    const int oldTop = m_state.GetTop();
    const HexCommit commit = m_state.Commit(value, m_editor->IsChanged());
    Changed(oldTop);
    if (commit.edited && m_notify) {
        emit HexValueEdited(commit.unit, static_cast<int>(commit.value));
    }
    return true;
}

void CHexViewCtrl::OnEditorCommit() {
    if (CommitEditor()) {
        CloseEditor();
    }
}

void CHexViewCtrl::OnEditorNavigate(int action) {
    if (IsAddressColumn(m_state.GetEditedColumn()) || !CommitEditor()) {
        return;
    }
    CloseEditor();
    const int oldTop = m_state.GetTop();
    m_state.Navigate(action);
    Changed(oldTop);
    OpenEditor(m_state.GetEditedUnit(), m_state.GetEditedColumn());
}

void CHexViewCtrl::OnEditorSwitch(int action) {
    const int target = m_state.SwitchTarget(action);
    if (target == HexNoColumn) {
        return;
    }
    const int unit = m_state.GetEditedUnit();
    CloseEditor();
    OpenEditor(unit, target);
}

void CHexViewCtrl::ApplyEditorColours() {
    if (!m_editor) {
        return;
    }
    for (int which = 0; which < 4; ++which) {
        m_editor->SetColour(which, m_colours[ColourEditorText + which], true);
    }
}
