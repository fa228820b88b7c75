#include "capture/ZRVideoWidget.h"

#include "capture/ZRGraphBase.h"

#include <QEvent>

ZRVideoWidget::ZRVideoWidget(QWidget* parent, const char* name, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    if (name) setObjectName(QString::fromLatin1(name));
}

bool ZRVideoWidget::event(QEvent* e) {
    if (e->type() == QEvent::Type(ZRGraphBase::kGraphNotify)) {
        bool handled = false;
        Q_EMIT winEventOccured(&handled, e);
        return true;
    }
    return QWidget::event(e);
}
