#include "browser/ZRBrowserIconViewItem.h"

#include <QDir>
#include <QFileInfo>

ZRBrowserIconViewItem* ZRBrowserIconViewItem::makeClip(ZRIconView* view, const QString& path,
                                                       const QImage& thumbnail) {
    const QFileInfo info(path);
    auto* item = new ZRBrowserIconViewItem(view, info.fileName(), thumbnail);
    item->m_directory = info.absolutePath();
    // Clips keep their file's name: only folders are renamed in place.
    item->setRenameEnabled(false);
    return item;
}

ZRBrowserIconViewItem* ZRBrowserIconViewItem::makeFolder(ZRIconView* view,
                                                         const QString& storedName,
                                                         const QString& shownName, bool userFolder,
                                                         const QImage& picture) {
    auto* item = new ZRBrowserIconViewItem(view, shownName, picture);
    item->m_isFolder = true;
    item->m_isUserFolder = userFolder;
    item->m_storedName = storedName;
    item->setRenameEnabled(userFolder);
    item->setDragEnabled(false);
    return item;
}

ZRBrowserIconViewItem::~ZRBrowserIconViewItem() {
    if (isSelected() && iconView()) setSelected(false, true);
}

QString ZRBrowserIconViewItem::fullPath() const {
    if (m_isFolder) return QString();
    return QDir::toNativeSeparators(QDir(m_directory).filePath(text()));
}
