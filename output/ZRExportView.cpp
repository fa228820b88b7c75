#include "output/ZRExportView.h"

ZRExportView::ZRExportView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    if (name) setObjectName(QString::fromUtf8(name));
}

void ZRExportView::exportProgress(IZRPos*, bool) {}

void ZRExportView::selectChosenProfile() {}

void ZRExportView::syncMarksFromTimeline() {}
