#pragma once

#include "classes/text/ZRTextImage.h"

#include <QPoint>
#include <QRect>
#include <QSize>

class ZRTabBar;

/// One tab of a ZRTabBar: a text (rendered in the bar's font and colours) or an image (not
/// owned). The bar that takes it owns it from then on. GUI thread only; not copyable.
class ZRTab {
public:
    /// A text tab; an `id` below 0 asks the bar for the next free id.
    explicit ZRTab(const QString& text, int id = -1);
    /// An image tab, the image placed at `position` within the tab.
    ZRTab(const QImage* image, const QPoint& position, int id = -1);
    virtual ~ZRTab();
    ZRTab(const ZRTab&) = delete;
    ZRTab& operator=(const ZRTab&) = delete;

    /// Lays the owning bar out again and repaints it; nothing before the tab is added.
    void updateBar();

    ZRTextImage label;
    QPoint imagePos;
    QSize size{-1, -1}; ///< content plus the bar's margins, set when added
    QRect rect;         ///< the place in the bar, set by the bar's layout
    bool enabled = true;
    int id = -1;
    const QImage* image = nullptr;
    ZRTabBar* bar = nullptr;
};
