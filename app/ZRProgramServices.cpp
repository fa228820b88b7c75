#include "app/ZRProgramServices.h"

#include "app/ZRAboutDialog.h"
#include "app/ZRLauncher.h"
#include "output/BPSWarning.h"
#include "output/Wren80Warning.h"
#include "output/ZRProfileDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPointer>

int ZRProgramServices::runProfileDialog(ZRProfileDialog& dialog) {
    return dialog.exec();
}

ZRWindowServices::WarningAnswer ZRProgramServices::runBitrateWarning(QWidget* parent) {
    BPSWarning warning(parent, nullptr, true);
    const bool accepted = warning.exec() == QDialog::Accepted;
    settle();
    return {accepted, warning.m_checkBox->isChecked()};
}

ZRWindowServices::WarningAnswer ZRProgramServices::runWren80Warning(QWidget* parent) {
    Wren80Warning warning(parent, nullptr, true);
    const bool accepted = warning.exec() == QDialog::Accepted;
    settle();
    return {accepted, warning.m_checkBox->isChecked()};
}

void ZRProgramServices::showAbout(QWidget* parent) {
    // The about box deletes itself when it closes.
    QPointer<ZRAboutDialog> about = new ZRAboutDialog(parent, "zraboutdialog");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
    if (about) about->exec();
    settle();
}

bool ZRProgramServices::startProgram(const QString& program, const QStringList& arguments,
                                     const QString& workingFolder) {
    return ZRLauncher::current().startDetached(program, arguments, workingFolder);
}
