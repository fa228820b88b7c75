// The program: makes the engine, shows the main window and runs the event loop.
#include "IZRTimeline.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    IZRCallbacks callbacks{};
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
    if (!timeline) return 1;
    int result = 0;
    {
        QMainWindow window;
        window.setWindowTitle("Clipstead 5 - [Untitled]");
        window.resize(1024, 720);
        window.show();
        result = app.exec();
    }
    IZRDeleteTimelineInstance(timeline);
    return result;
}
