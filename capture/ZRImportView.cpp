#include "capture/ZRImportView.h"

ZRImportView::ZRImportView(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    if (name) setObjectName(QString::fromLatin1(name));
}

void ZRImportView::slotSplitSettingsChange() {
    ++m_splitSettingsChanges;
}
