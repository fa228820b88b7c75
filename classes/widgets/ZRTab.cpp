#include "classes/widgets/ZRTab.h"

#include "classes/widgets/ZRTabBar.h"

ZRTab::ZRTab(const QString& text, int id) : id(id) {
    label.setText(text);
}

ZRTab::ZRTab(const QImage* image, const QPoint& position, int id)
    : imagePos(position), id(id), image(image) {
    if (image) rect = image->rect();
}

ZRTab::~ZRTab() = default;

void ZRTab::updateBar() {
    if (!bar) return;
    bar->layoutTabs();
    bar->update();
}
