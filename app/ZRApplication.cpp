#include "app/ZRApplication.h"

#include <QWidget>

namespace {

// A filter widget is offered events through its protected `nativeEvent` virtual, the one Qt
// calls for the widget's own window: this names it from outside.
struct NativeEventAccess : QWidget {
    using QWidget::nativeEvent;
};

} // namespace

ZRApplication::ZRApplication(int& argc, char** argv, bool)
    : QApplication(argc, argv), m_dispatcher(std::make_unique<Dispatcher>(*this)) {
    installNativeEventFilter(m_dispatcher.get());
}

ZRApplication::~ZRApplication() {
    removeNativeEventFilter(m_dispatcher.get());
}

void ZRApplication::addNativeFilter(QWidget* filter) {
    if (!filter || nativeFilters().contains(filter)) return;
    m_filters.append(filter);
}

void ZRApplication::removeNativeFilter(QWidget* filter) {
    m_filters.removeIf([filter](const QPointer<QWidget>& entry) { return entry == filter; });
}

QList<QWidget*> ZRApplication::nativeFilters() const {
    QList<QWidget*> filters;
    for (const QPointer<QWidget>& filter : m_filters)
        if (filter) filters.append(filter.data());
    return filters;
}

bool ZRApplication::offerNativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    m_filters.removeIf([](const QPointer<QWidget>& entry) { return entry.isNull(); });
    // A filter may change the list while it handles the event: walk a copy.
    const QList<QPointer<QWidget>> filters = m_filters;
    const auto offer = &NativeEventAccess::nativeEvent;
    for (const QPointer<QWidget>& filter : filters) {
        if (filter && (filter.data()->*offer)(eventType, message, result)) return true;
    }
    return false;
}

ZRApplication* ZRApplication::instance() {
    return qobject_cast<ZRApplication*>(QCoreApplication::instance());
}

bool ZRApplication::Dispatcher::nativeEventFilter(const QByteArray& eventType, void* message,
                                                  qintptr* result) {
    return m_application.offerNativeEvent(eventType, message, result);
}
