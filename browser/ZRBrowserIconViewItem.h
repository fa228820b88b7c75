#pragma once

#include "browser/ZRIconViewItem.h"

#include <QString>

/// One clip or folder of the media folders page. A clip's full path is its directory joined
/// with its name (native separators); a folder has no directory and keeps its stored name
/// beside the shown one (the fixed folders show a translated name). Clips and user folders may
/// be renamed and deleted by the user; the two fixed folders may not. GUI thread only.
class ZRBrowserIconViewItem : public ZRIconViewItem {
public:
    /// A clip item named after the file's name, in the file's absolute directory.
    static ZRBrowserIconViewItem* makeClip(ZRIconView* view, const QString& path,
                                           const QImage& thumbnail);
    /// A folder item; `shownName` is what the view shows, `storedName` what the settings file
    /// holds.
    static ZRBrowserIconViewItem* makeFolder(ZRIconView* view, const QString& storedName,
                                             const QString& shownName, bool userFolder,
                                             const QImage& picture);

    /// Leaves the selection first, while the item is still whole: the view announces the change
    /// and the page reads the selected items' paths. A clip leaves the page's index of paths.
    ~ZRBrowserIconViewItem() override;

    bool isFolder() const { return m_isFolder; }
    bool isUserFolder() const { return m_isUserFolder; }
    /// The shown text: the file name, or the folder name.
    QString name() const { return text(); }
    /// The clip's absolute directory; null for folders.
    QString directory() const { return m_directory; }
    /// The folder's name in the settings file; for clips the file name.
    QString storedName() const { return m_isFolder ? m_storedName : text(); }
    void setStoredName(const QString& name) { m_storedName = name; }
    /// The clip's full path with native separators, fixed when the item is made (clips are
    /// never renamed); null for folders.
    QString fullPath() const { return m_fullPath; }

private:
    ZRBrowserIconViewItem(ZRIconView* view, const QString& text, const QImage& icon)
        : ZRIconViewItem(view, text, icon) {}

    bool m_isFolder = false;
    bool m_isUserFolder = true;
    QString m_directory;
    QString m_fullPath;
    QString m_storedName;
};
