#pragma once

#include <QApplication>

namespace testsupport {

/// The test process's one QApplication (offscreen), made on first use and never destroyed: Qt's
/// own globals are gone by the time static objects are destroyed at exit.
inline QApplication& guiApplication() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace testsupport
