#include "browser/ZRBrowserIconViewItem.h"

#include "browser/ZRBrowserIconView.h"

#include <QDir>
#include <QFileInfo>

ZRBrowserIconViewItem* ZRBrowserIconViewItem::makeClip(ZRIconView* view, const QString& path,
                                                       const QImage& thumbnail) {
    const QFileInfo info(path);
    auto* item = new ZRBrowserIconViewItem(view, info.fileName(), thumbnail);
    item->m_directory = info.absolutePath();
    item->m_fullPath = QDir::toNativeSeparators(QDir(item->m_directory).filePath(item->text()));
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
    // Once the page's own destructor has run, the cast finds a bare icon view and no index.
    if (!m_isFolder)
        if (auto* page = qobject_cast<ZRBrowserIconView*>(iconView())) page->forgetClip(this);
}
