#include "classes/widgets/ZRMainWidget.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& mainWidgetPointer() {
    static QPointer<QWidget> widget;
    return widget;
}

} // namespace

void setMainWidget(QWidget* widget) {
    mainWidgetPointer() = widget;
}

QWidget* mainWidget() {
    return mainWidgetPointer().data();
}
