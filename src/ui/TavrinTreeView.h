#pragma once
// The packet file tree in the top left pane. Created empty here; loading files into it, key
// typing and the context menu arrive with the packet views.

#include <QTreeWidget>

class CTavrinTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CTavrinTreeView(QWidget* parent = nullptr);
    ~CTavrinTreeView() override;
};
