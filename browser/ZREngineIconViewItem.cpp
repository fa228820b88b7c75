#include "browser/ZREngineIconViewItem.h"

ZREngineIconViewItem::ZREngineIconViewItem(ZRIconView* view, bool isFolder, const QString& kind,
                                           const QString& group, const QString& name,
                                           const QString& info, const QImage& picture)
    : ZRIconViewItem(view, name, picture), m_isFolder(isFolder), m_kind(kind), m_group(group),
      m_name(name), m_info(info) {}
