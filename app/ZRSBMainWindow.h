#pragma once

#include "ZRAppState.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

class QAction;

/// The program's main window. Publishes itself as the state object's main window and hub while
/// it lives. GUI thread only.
class ZRSBMainWindow : public QMainWindow, public ZRAppState::Hub {
    Q_OBJECT

public:
    explicit ZRSBMainWindow(QWidget* parent = nullptr);
    ~ZRSBMainWindow() override;

    /// Makes a menu item reachable by its id.
    void registerMenuItem(int id, QAction* action);

    IZRObject* currentObject() override;
    IZRPos* currentPosition() override;
    void message(const QString& text, int ms) override;
    void setMenuItemEnabled(int id, bool enabled) override;
    void setMenuItemChecked(int id, bool checked) override;

private:
    QHash<int, QPointer<QAction>> m_menuItems;
};
