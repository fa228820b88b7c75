#pragma once

#include "browser/ZRIconViewItem.h"

#include <QImage>
#include <QString>

/// One engine object (an entry of a module group) or one module group (a folder) of the effects
/// and transitions pages. The shown text is the name; a folder's group and name are the group's
/// own name and its info is empty. Besides its picture an entry may hold the animation frame
/// its page last rendered for it, drawn over the picture while the page animates.
/// GUI thread only.
class ZREngineIconViewItem : public ZRIconViewItem {
public:
    ZREngineIconViewItem(ZRIconView* view, bool isFolder, const QString& kind, const QString& group,
                         const QString& name, const QString& info, const QImage& picture);

    bool isFolder() const { return m_isFolder; }
    QString kind() const { return m_kind; }
    QString group() const { return m_group; }
    QString name() const { return m_name; }
    QString info() const { return m_info; }

    /// The last animation frame (null before the first), in the page's tick image size.
    const QImage& animationFrame() const { return m_frame; }
    QImage& animationFrame() { return m_frame; }

private:
    bool m_isFolder;
    QString m_kind;
    QString m_group;
    QString m_name;
    QString m_info;
    QImage m_frame;
};
