#pragma once

#include "views/ZRWindowServices.h"

/// The window services of the running program: the boxes of `ZRWindowServices`, and the
/// program's own dialogs (profile dialog, bit-rate warning, about box), which lie above the views.
/// Set once at start-up with `ZRWindowServices::setProgramServices`. GUI thread only.
class ZRProgramServices : public ZRWindowServices {
public:
    int runProfileDialog(ZRProfileDialog& dialog) override;
    WarningAnswer runBitrateWarning(QWidget* parent) override;
    WarningAnswer runWren80Warning(QWidget* parent) override;
    void showAbout(QWidget* parent) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingFolder) override;
};
