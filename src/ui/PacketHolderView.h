#pragma once
// The definition view in the bottom left pane: read-only text in Courier New 10 pt. Created
// empty here; showing and colouring definitions arrives with the packet views.

#include <QTextEdit>

class CPacketHolderView : public QTextEdit {
    Q_OBJECT
public:
    explicit CPacketHolderView(QWidget* parent = nullptr);
    ~CPacketHolderView() override;
};
