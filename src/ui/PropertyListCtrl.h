#pragma once
// A two-column list of properties: names on the left, values on the right, one owner-drawn row
// per item in the order added. The selected, enabled row gets an in-place editor over its
// value; what its text becomes is reported through the signals below, which stand for the
// list's notifications to its parent (codes kept as constants). The name column can be dragged
// wider or narrower at its border. The list owns its items.

#include <QAbstractScrollArea>
#include <QPointer>
#include <memory>
#include <vector>

#include "ui/Property.h"

class CPropertyEditWindow;

class CPropertyListCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Notification codes to the parent.
    static constexpr int kSelectionChanged = -3001;
    static constexpr int kValueChanging = -3002;
    static constexpr int kValueChanged = -3003;
    static constexpr int kClicked = -3007;
    static constexpr int kDoubleClicked = -3008;
    static constexpr int kDefaultNameColumnWidth = 100;

    explicit CPropertyListCtrl(QWidget* parent = nullptr);
    ~CPropertyListCtrl() override;

    // Takes the item; the row goes at the end.
    void AddItem(std::unique_ptr<IProperty> item);
    void Clear();
    int GetCount() const { return static_cast<int>(m_items.size()); }
    IProperty* GetItem(int row) const;
    void SetNameColumnWidth(int width);
    int GetNameColumnWidth() const { return m_nameColumnWidth; }
    void SetListStyle(unsigned style) { m_style = style; }

    // -1 for none.
    int GetSelectedRow() const { return m_selected; }
    // Selects as the user would, running the list's reaction.
    void SelectRow(int row);
    int GetEditedRow() const { return m_editedRow; }
    // The open editor, or nullptr.
    QWidget* GetEditor() const;
    QRect RowRect(int row) const;
    int RowAt(int y) const;
    // Takes an open editor's changed text now, as its losing focus would (OK does this).
    void CommitEdit();
    // Selects the row and puts the user in its editor, its text selected.
    void EditRow(int row);

signals:
    void SelectionChanged(IProperty* item);
    // Set *veto to keep the old value.
    void ValueChanging(IProperty* item, bool* veto);
    // Also sent when the text could not be converted: the value then stays as it was.
    void ValueChanged(IProperty* item);
    // Set *veto to keep the item from reacting.
    void Clicked(IProperty* item, bool* veto);
    void DoubleClicked(IProperty* item, bool* veto);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OpenEditor(int row);
    void CloseEditor();
    void OnSelectionChanged();
    void OnEditCommit(QWidget* editor);
    void OnEditCancel(QWidget* editor);
    void OnEditNavigate(int key);
    // Opens the selected row's editor if needed and activates it for a key.
    void EditSelected(PropertyAction action);
    void MoveSelection(int row);
    void ScrollToRow(int row);
    void UpdateScrollBar();
    void FillDrawInfo();
    bool IsOnColumnBorder(int x) const;
    int RowHeight() const;
    IProperty* SelectedItem() const { return GetItem(m_selected); }

    std::vector<std::unique_ptr<IProperty>> m_items;
    int m_selected = -1;
    int m_editedRow = -1;
    QPointer<CPropertyEditWindow> m_editor;
    int m_nameColumnWidth = kDefaultNameColumnWidth;
    unsigned m_style = 0;
    bool m_dragging = false;
    int m_dragStartX = 0;
    int m_dragX = 0;
    PropertyDrawInfo m_drawInfo;
};
