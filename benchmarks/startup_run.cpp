// One start of the program, timed: runs the program's own start-up and prints, in milliseconds
// since main was entered, when the skins were preloaded, the engine was made, the main window was
// set up and shown, and when its first paint reached the screen; then quits. The one shortcut:
// the profile dialog that a start without a project shows is accepted at once, as if the user
// had pressed OK without a pause.
// Usage: startup_run [program arguments...]
#include "app/ZRProgram.h"
#include "views/ZRWindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

QElapsedTimer sinceMain;

void report(const char* stage) {
    std::printf("%s %.1f\n", stage, double(sinceMain.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
}

// Waits for the first paint of any widget of the main window, then for the turn of the event
// loop after it (the painted window has been flushed to the screen by then) and quits.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) : m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!m_seen && event->type() == QEvent::Paint && widget && widget->window() == m_window) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                report("painted");
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    bool m_seen = false;
};

// The real dialogs, but for the profile dialog, accepted without being shown.
class AcceptingServices : public ZRWindowServices {
public:
    int runProfileDialog(ZRProfileDialog&) override { return 1; }
};

} // namespace

int main(int argc, char** argv) {
    sinceMain.start();
    AcceptingServices services;
    ZRWindowServices::install(&services);
    ZRStartupHooks hooks;
    hooks.stageDone = report;
    hooks.started = [](QWidget* window) {
        QCoreApplication::instance()->installEventFilter(new FirstPaint(window));
    };
    hooks.critical = [](const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    return clipsteadMain(argc, argv, hooks);
}
