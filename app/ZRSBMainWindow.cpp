#include "ZRSBMainWindow.h"

#include <QAction>
#include <QStatusBar>

ZRSBMainWindow::ZRSBMainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Clipstead 5 - [Untitled]"));
    resize(1024, 720);
    statusBar();
    ZRAppState& state = appState();
    state.mainWindow = this;
    state.hub = this;
}

ZRSBMainWindow::~ZRSBMainWindow() {
    ZRAppState& state = appState();
    if (state.hub == this) state.hub = nullptr;
}

void ZRSBMainWindow::registerMenuItem(int id, QAction* action) {
    m_menuItems.insert(id, action);
}

IZRObject* ZRSBMainWindow::currentObject() {
    return nullptr;
}

IZRPos* ZRSBMainWindow::currentPosition() {
    return appState().sharedPos;
}

void ZRSBMainWindow::message(const QString& text, int ms) {
    statusBar()->showMessage(text, ms);
    // Long engine calls keep the event loop from painting: paint the text now.
    statusBar()->repaint();
}

void ZRSBMainWindow::setMenuItemEnabled(int id, bool enabled) {
    if (QAction* action = m_menuItems.value(id)) action->setEnabled(enabled);
}

void ZRSBMainWindow::setMenuItemChecked(int id, bool checked) {
    if (QAction* action = m_menuItems.value(id)) action->setChecked(checked);
}
