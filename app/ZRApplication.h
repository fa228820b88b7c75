#pragma once

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QList>
#include <QPointer>

#include <memory>

class QWidget;

/// The program's application object. Besides QApplication's work it offers every native event
/// of the process to a list of filter widgets, through each widget's `nativeEvent`, before Qt
/// handles the event: the first filter that takes it (returns true) ends the walk and the event
/// is consumed. The list does not own its filters; a destroyed filter leaves it. GUI thread only.
class ZRApplication : public QApplication {
    Q_OBJECT
public:
    /// `gui` false makes no difference: the program always runs with its windows.
    ZRApplication(int& argc, char** argv, bool gui = true);
    ~ZRApplication() override;

    /// Appends `filter` to the list (once; null is ignored).
    void addNativeFilter(QWidget* filter);
    /// Takes `filter` off the list.
    void removeNativeFilter(QWidget* filter);
    /// The filters in the order they are offered events.
    QList<QWidget*> nativeFilters() const;

    /// Offers a native event to the filters as the application does: true when one took it.
    bool offerNativeEvent(const QByteArray& eventType, void* message, qintptr* result);

    /// The application object, when the program's own runs.
    static ZRApplication* instance();

private:
    class Dispatcher : public QAbstractNativeEventFilter {
    public:
        explicit Dispatcher(ZRApplication& application) : m_application(application) {}
        bool nativeEventFilter(const QByteArray& eventType, void* message,
                               qintptr* result) override;

    private:
        ZRApplication& m_application;
    };

    QList<QPointer<QWidget>> m_filters;
    std::unique_ptr<Dispatcher> m_dispatcher;
};
