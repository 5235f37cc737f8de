#include "ui/TavrinTreeView.h"

CTavrinTreeView::CTavrinTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setFrameShadow(QFrame::Sunken);
}

CTavrinTreeView::~CTavrinTreeView() = default;
