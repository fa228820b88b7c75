#pragma once

#include <QWidget>

class IZRPos;

/// The produce page. Stand-in with what the shell calls; the page comes with production.
/// GUI thread only.
class ZRExportView : public QWidget {
    Q_OBJECT

public:
    explicit ZRExportView(QWidget* parent = nullptr, const char* name = nullptr,
                          Qt::WindowFlags flags = {});

    /// Called once per exported frame; may request a stop through the state object.
    virtual void exportProgress(IZRPos* position, bool recompressing);
    /// Selects the profile of the published format index and TV standard.
    virtual void selectChosenProfile();
    /// Copies mark-in, mark-out and position from the state object.
    virtual void syncMarksFromTimeline();
};
