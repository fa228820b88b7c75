#include "browser/ZRBrowserIconView.h"

ZRBrowserIconView::ZRBrowserIconView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    if (name) setObjectName(QString::fromUtf8(name));
}

void ZRBrowserIconView::addFile(const QString& folder, const QString& path, int kind) {
    for (const Item& item : m_items) {
        if (item.path == path) return;
    }
    m_items.append(Item{folder, path, kind, false, false});
}

QString ZRBrowserIconView::selectedFilePath() const {
    for (const Item& item : m_items) {
        if (item.selected && !item.isFolder) return item.path;
    }
    return {};
}

bool ZRBrowserIconView::setFileSelected(const QString& path, bool selected) {
    for (Item& item : m_items) {
        if (item.path == path) {
            item.selected = selected;
            return true;
        }
    }
    return false;
}

bool ZRBrowserIconView::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}
